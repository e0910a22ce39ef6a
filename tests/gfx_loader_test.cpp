// The entry-point loader's decisions on fake drivers (extension strings, versions, missing entry
// points), the whole-word extension search, version parsing and the letterbox. No GL context here:
// the loader talks only to its hooks, which this file fakes.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "gfx/gl.h"
#include "gfx/gl_loader.h"
#include "gfx/start_display.h"

namespace {

void dummyEntryPoint() {}

class FakeDriver : public LoaderHooks {
 public:
  std::string extensions =
      "GL_EXT_blend_subtract GL_EXT_framebuffer_object GL_ARB_framebuffer_object";
  std::string windowSystem = "EGL_KHR_create_context EGL_MESA_platform_surfaceless";
  const char* pixelFormat = "EGL_KHR_create_context";
  bool hasWindowSystemString = true;
  std::set<std::string> missing;
  std::set<std::string> asked;

  void* glProcAddress(const char* name) override {
    asked.insert(name);
    return missing.count(name) ? nullptr : reinterpret_cast<void*>(&dummyEntryPoint);
  }
  const char* glExtensions() override { return extensions.c_str(); }
  const char* windowSystemExtensions() override {
    return hasWindowSystemString ? windowSystem.c_str() : nullptr;
  }
  const char* pixelFormatExtension() override { return pixelFormat; }
  bool setSwapInterval(int) override { return true; }
};

void clearEntryPoints() {
#define NIGHTLOOM_CLEAR(type, name) gl::name = nullptr;
  NIGHTLOOM_GL_POINTERS(NIGHTLOOM_CLEAR)
#undef NIGHTLOOM_CLEAR
}

struct LoaderTest : ::testing::Test {
  void SetUp() override { clearEntryPoints(); }
  bool load(int major, int minor) {
    version = {major, minor};
    return loader.load(driver, version);
  }
  ExtensionLoader loader;
  GLVersion version;
  FakeDriver driver;
};

}  // namespace

TEST(ExtensionSearch, CountsWholeWordsOnly) {
  const char* list = "GL_ARB_imaging_extra GL_EXT_a GL_ARB_imaging";
  EXPECT_TRUE(hasExtensionIn(list, "GL_ARB_imaging"));  // found at the very end
  EXPECT_FALSE(hasExtensionIn("GL_ARB_imaging_extra GL_EXT_a", "GL_ARB_imaging"));
  EXPECT_FALSE(hasExtensionIn("XGL_ARB_imaging", "GL_ARB_imaging"));
  EXPECT_TRUE(hasExtensionIn("GL_ARB_imaging GL_EXT_a", "GL_ARB_imaging"));
  EXPECT_FALSE(hasExtensionIn(list, ""));
  EXPECT_FALSE(hasExtensionIn(list, "GL_EXT_a GL_ARB_imaging"));  // names never hold a space
  EXPECT_FALSE(hasExtensionIn(nullptr, "GL_EXT_a"));
}

TEST(GLVersionText, ReadsTheDigitBeforeAndTheNumberAfterTheFirstDot) {
  EXPECT_EQ(parseGLVersion("4.6.0 NVIDIA").major, 4);
  EXPECT_EQ(parseGLVersion("4.6.0 NVIDIA").minor, 6);
  EXPECT_EQ(parseGLVersion("2.1 Mesa").major, 2);
  EXPECT_EQ(parseGLVersion("2.1 Mesa").minor, 1);
  EXPECT_EQ(parseGLVersion("4.5 (Compatibility Profile) Mesa 22.3.6").minor, 5);
  EXPECT_EQ(parseGLVersion("no version").major, 0);
  EXPECT_EQ(parseGLVersion(nullptr).major, 0);
  EXPECT_TRUE((GLVersion{3, 0}).atLeast(2, 0));
  EXPECT_TRUE((GLVersion{2, 0}).atLeast(2, 0));
  EXPECT_FALSE((GLVersion{1, 5}).atLeast(2, 0));
}

TEST_F(LoaderTest, AMesaLikeDriverLoadsEverythingOnce) {
  ASSERT_TRUE(load(4, 5)) << loader.failureReason();
  EXPECT_TRUE(loader.loaded);
  // No GL_ARB_imaging: the EXT blend equation is the one kept.
  EXPECT_EQ(gl::glBlendEquation, nullptr);
  EXPECT_NE(gl::glBlendEquationEXT, nullptr);
  EXPECT_NE(gl::glUseProgram, nullptr);
  EXPECT_NE(gl::glBindFramebufferEXT, nullptr);
  EXPECT_NE(gl::glGenVertexArrays, nullptr);
  driver.asked.clear();
  EXPECT_TRUE(loader.load(driver, version));
  EXPECT_TRUE(driver.asked.empty());
}

TEST_F(LoaderTest, ImagingWinsOverBlendSubtract) {
  driver.extensions += " GL_ARB_imaging";
  ASSERT_TRUE(load(3, 0));
  EXPECT_NE(gl::glBlendEquation, nullptr);
  EXPECT_EQ(gl::glBlendEquationEXT, nullptr);
}

TEST_F(LoaderTest, FailsWithoutASubtractiveBlendEquation) {
  driver.extensions = "GL_ARB_imaging_extra GL_EXT_framebuffer_object";
  EXPECT_FALSE(load(4, 5));
  EXPECT_FALSE(loader.loaded);
  EXPECT_NE(loader.failureReason().find("blend"), std::string::npos);
}

TEST_F(LoaderTest, FailsOnAMissingMultitextureEntryPoint) {
  driver.missing = {"glMultiTexCoord3f"};
  EXPECT_FALSE(load(4, 5));
  EXPECT_NE(loader.failureReason().find("multitexture"), std::string::npos);
}

TEST_F(LoaderTest, AnOldDriverFailsAfterBlendAndMultitextureWereStored) {
  EXPECT_FALSE(load(1, 5));
  EXPECT_EQ(loader.failureReason(), "OpenGL 2.0 or later is required; this driver offers 1.5");
  EXPECT_NE(gl::glBlendEquationEXT, nullptr);
  EXPECT_NE(gl::glActiveTexture, nullptr);
  EXPECT_EQ(gl::glCreateShader, nullptr);
}

TEST_F(LoaderTest, A21DriverGetsShadersButIsRefusedForTheDotField) {
  EXPECT_FALSE(load(2, 1));
  EXPECT_NE(gl::glCreateShader, nullptr);
  EXPECT_NE(gl::glGenFramebuffersEXT, nullptr);
  EXPECT_EQ(gl::glGenBuffers, nullptr);
  EXPECT_NE(loader.failureReason().find("3.0"), std::string::npos);
}

TEST_F(LoaderTest, FailsWithoutFramebufferObjects) {
  driver.extensions = "GL_EXT_blend_subtract GL_ARB_framebuffer_object";
  EXPECT_FALSE(load(4, 5));
  EXPECT_EQ(gl::glGenFramebuffersEXT, nullptr);
  EXPECT_NE(gl::glUseProgram, nullptr);
}

TEST_F(LoaderTest, FailsWithoutTheWindowSystemsStringOrPixelFormatExtension) {
  driver.hasWindowSystemString = false;
  EXPECT_FALSE(load(4, 5));
  EXPECT_TRUE(driver.asked.empty());

  driver.hasWindowSystemString = true;
  driver.windowSystem = "EGL_KHR_create_context_no_error";
  EXPECT_FALSE(load(4, 5));
  EXPECT_NE(loader.failureReason().find("EGL_KHR_create_context"), std::string::npos);

  driver.pixelFormat = nullptr;  // the toolkit chose the format itself
  EXPECT_TRUE(load(4, 5));
}

TEST(Letterbox, FitsSixteenByNineInsideTheDrawable) {
  struct Case {
    int width, height, x, y, w, h;
  };
  const Case cases[] = {{1920, 1080, 0, 0, 1920, 1080},
                        {1280, 1024, 0, 152, 1280, 720},
                        {1680, 1050, 0, 52, 1680, 945},
                        {1366, 768, 0, 0, 1365, 768},
                        {2560, 1080, 320, 0, 1920, 1080}};
  for (const Case& c : cases) {
    const auto viewport = letterboxViewport(c.width, c.height);
    ASSERT_TRUE(viewport);
    EXPECT_EQ(viewport->x, c.x) << c.width << "x" << c.height;
    EXPECT_EQ(viewport->y, c.y) << c.width << "x" << c.height;
    EXPECT_EQ(viewport->width, c.w) << c.width << "x" << c.height;
    EXPECT_EQ(viewport->height, c.h) << c.width << "x" << c.height;
  }
  EXPECT_FALSE(letterboxViewport(1920, 0));
  EXPECT_FALSE(letterboxViewport(0, 1080));
}
