// A real GL context for tests: an EGL pbuffer on Mesa with every entry point loaded, made once per
// test process and kept current, plus pixel read-back.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct DemoContext;

// The process-wide headless context (the first call's size wins), letterboxed 16:9 with the show's
// perspective. A test that cannot get it fails with the reason.
DemoContext& headlessGL(int width = 320, int height = 180);

// Mesa unloads its driver when a display goes or the process ends, after which LeakSanitizer can
// only name the driver's caches "unknown module" and no suppression matches them; pinning the
// driver's libraries once a context exists keeps their names.
void pinGraphicsDriver();

// RGBA bytes of the bound read framebuffer, rows bottom-up as GL returns them.
std::vector<uint8_t> readRGBA(int x, int y, int width, int height);

// With NIGHTLOOM_TEST_PICTURES set to a folder, writes RGBA rows (bottom-up, as readRGBA gives
// them) there as the PNG file `name`, for people to look at; otherwise does nothing, so that a
// test run leaves no file behind.
void keepTestPicture(const std::string& name, const std::vector<uint8_t>& rgba, int width,
                     int height);
