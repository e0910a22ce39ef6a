// The show's four GLSL 1.20 sources, exact to the byte (the tests check their lengths): lines end
// in a single line feed (none after the last), some start with a TAB, and some hold runs of three
// spaces. The dot sources keep their "1.0f" float suffixes, which Mesa accepts.
#include "assets/shader_sources.h"

// "DEFAULT_OVERLAY_VERT", 173 bytes.
const char* const kOverlayVertexSource =
    "#version 120\n"
    "varying vec4 globalColor;\n"
    "void main(){   globalColor = gl_Color;\n"
    "\tgl_TexCoord[0] = gl_MultiTexCoord0;\n"
    "\tgl_Position = gl_ModelViewProjectionMatrix * gl_Vertex;\n"
    "}";

// "DEFAULT_OVERLAY_FRAG", 158 bytes.
const char* const kOverlayFragmentSource =
    "#version 120\n"
    "varying vec4 globalColor;\n"
    "uniform sampler2D tex;void main(){\tvec4 tCol = texture2D(tex, gl_TexCoord[0].st);   "
    "gl_FragColor = tCol * globalColor;}";

// "DOTS_VERT", 637 bytes.
const char* const kDotsVertexSource =
    "#version 120\n"
    "attribute vec4 aCoords;\n"
    "attribute vec4 aPos;\n"
    "attribute vec4 aTexCoords;\n"
    "attribute vec4 aTexImgCoords;\n"
    "attribute vec4 aColor;\n"
    "attribute float aScale;\n"
    "varying vec4 globalColor;\n"
    "varying float scale;\n"
    "uniform mat4 texMatrix;\n"
    "uniform sampler2D image;void main(){   globalColor = aColor;\n"
    "\tgl_TexCoord[0] = aTexCoords;\n"
    "\tgl_TexCoord[1] = texMatrix * aTexImgCoords;\n"
    "   vec4 tColLookup = texture2D(image, gl_TexCoord[1].st);   float c = "
    "1.0f-(0.3333f*(tColLookup.r+tColLookup.g+tColLookup.b));   scale = aScale*c;\n"
    "   vec4 scaled = aCoords * vec4(scale, scale, 1.0f, 1.0f);\n"
    "\tgl_Position = gl_ModelViewProjectionMatrix * (scaled+aPos);\n"
    "}";

// "DOTS_FRAG", 364 bytes.
const char* const kDotsFragmentSource =
    "#version 120\n"
    "varying vec4 globalColor;\n"
    "varying float scale;\n"
    "uniform sampler2D tex;uniform sampler2D image;void main(){\tvec4 tCol = texture2D(tex, "
    "gl_TexCoord[0].st);   vec4 tColLookup = texture2D(image, gl_TexCoord[1].st);   float intens = "
    "0.3333f*(tColLookup.r+tColLookup.g+tColLookup.b);   float c = 1.0f-intens;   gl_FragColor = "
    "tCol * c * scale * globalColor;}";
