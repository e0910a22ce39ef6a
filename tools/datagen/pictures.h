// The show's eight pictures, drawn in grey: white marks on black, since every picture is added to
// or subtracted from the frame and black leaves the frame alone.
#pragma once

#include <string>
#include <vector>

#include "tools/datagen/grey_image.h"
#include "tools/datagen/lettering.h"

struct Picture {
  std::string file;  // name inside Data/, e.g. "overlay1.p"
  GreyImage image;
};

// All eight in the order the show loads them. False with `error` set when lettering fails.
bool drawPictures(Typesetter& type, std::vector<Picture>& pictures, std::string& error);
