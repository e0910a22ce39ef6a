// The web build's GLSL text conversion, on the show's own four sources and on the number forms
// GLSL allows: what WebGL rejects goes, nothing else changes.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "assets/shader_sources.h"
#include "gfx/glsl_webgl.h"

namespace {

// A float suffix: a digit or point, then f or F, then no more of a name.
const std::regex kSuffix("[0-9.][fF](?![A-Za-z0-9_])");

TEST(GlslForWebGL, ShowSourcesLoseVersionAndSuffixesOnly) {
  for (const char* source :
       {kOverlayVertexSource, kOverlayFragmentSource, kDotsVertexSource, kDotsFragmentSource}) {
    const std::string desktop = source;
    const std::string web = glslForWebGL(desktop);
    EXPECT_EQ(web.find("#version"), std::string::npos);
    EXPECT_FALSE(std::regex_search(web, kSuffix)) << web;
    const std::string versionLine = "#version 120\n";
    ASSERT_EQ(desktop.rfind(versionLine, 0), 0u);
    // Every suffix is one character, and in these sources every suffixed number has its point.
    const auto suffixes = std::distance(
        std::sregex_iterator(desktop.begin(), desktop.end(), kSuffix), std::sregex_iterator());
    EXPECT_EQ(web.size(), desktop.size() - versionLine.size() - static_cast<size_t>(suffixes));
  }
  EXPECT_NE(glslForWebGL(kDotsVertexSource)
                .find("float c = 1.0-(0.3333*(tColLookup.r+tColLookup.g+tColLookup.b));"),
            std::string::npos);
}

TEST(GlslForWebGL, NumberForms) {
  EXPECT_EQ(glslForWebGL("x = .5f + 2f * 3.F;"), "x = .5 + 2.0 * 3.;");
  EXPECT_EQ(glslForWebGL("a = 1.0f;\nb = 10f"), "a = 1.0;\nb = 10.0");
  // Names with digits and numbers without a suffix stay as they are.
  EXPECT_EQ(glslForWebGL("vec2 uv1f = texture2D(tex0, p).rg * 4;"),
            "vec2 uv1f = texture2D(tex0, p).rg * 4;");
  EXPECT_EQ(glslForWebGL("#version 120"), "");
  EXPECT_EQ(glslForWebGL("float f = 1.0;"), "float f = 1.0;");
}

}  // namespace
