// nightloom.exe as a Windows user runs it (under Wine with Xvfb in CI): --window opens the window
// of class "demo_zor" and Escape ends the show with 0; quitting the dialog ends with -1; a start-up
// failure ends with 1 and says why in one line where there is a console; --still renders the same
// picture as the Linux build. The executable's folder holds the build's Data\ folder.
#include <gtest/gtest.h>
#include <png.h>
#include <windows.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "gfx/window_identity.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Made absolute while the working directory is still the build folder.
const fs::path kExecutable = fs::absolute(NIGHTLOOM_EXECUTABLE);
const std::string kReferenceStill = NIGHTLOOM_REFERENCE_STILL;

// A scratch folder under the system's temporary folder, removed with everything in it.
class Scratch {
 public:
  explicit Scratch(const char* tag)
      : path(fs::temp_directory_path() /
             (std::string(tag) + "_" + std::to_string(GetCurrentProcessId()))) {
    fs::create_directories(path);
  }
  ~Scratch() {
    std::error_code ignored;
    fs::remove_all(path, ignored);
  }
  const fs::path path;
};

// The program started in `directory` with stdout and stderr in a log file there.
class ChildProcess {
 public:
  // With `streams` false the program gets no standard handles at all, as when Explorer starts it.
  ChildProcess(const fs::path& program, const std::string& arguments, const fs::path& directory,
               bool streams = true)
      : log(directory / "output.log") {
    SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
    HANDLE output = CreateFileA(log.string().c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherited,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = streams ? GetStdHandle(STD_INPUT_HANDLE) : nullptr;
    startup.hStdOutput = streams ? output : nullptr;
    startup.hStdError = streams ? output : nullptr;
    std::string line = program.string();
    line = '"' + line + "\" " + arguments;
    started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                             directory.string().c_str(), &startup, &info);
    CloseHandle(output);
  }
  ~ChildProcess() {
    if (!started) return;
    if (WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(info.hProcess, 99);
    WaitForSingleObject(info.hProcess, INFINITE);
    CloseHandle(info.hProcess);
    CloseHandle(info.hThread);
  }

  // The exit status once it ended within `limit`; nothing when it still runs.
  std::optional<DWORD> exitStatus(std::chrono::milliseconds limit) const {
    if (WaitForSingleObject(info.hProcess, static_cast<DWORD>(limit.count())) != WAIT_OBJECT_0) {
      return std::nullopt;
    }
    DWORD status = 0;
    GetExitCodeProcess(info.hProcess, &status);
    return status;
  }

  std::string said() const {
    std::ifstream in(log, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  // The first visible top-level window of `windowClass` titled `title`, waited for up to `limit`.
  HWND waitForWindow(const char* windowClass, const char* title,
                     std::chrono::milliseconds limit) const {
    for (auto waited = 0ms; waited < limit; waited += 50ms) {
      HWND window = FindWindowA(windowClass, title);
      if (window && IsWindowVisible(window)) return window;
      if (exitStatus(50ms)) return nullptr;
    }
    return nullptr;
  }

  bool started = false;

 private:
  fs::path log;
  PROCESS_INFORMATION info = {};
};

std::string classOf(HWND window) {
  char name[64] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

void pressEscape(HWND window) {
  SetForegroundWindow(window);
  INPUT keys[2] = {};
  for (INPUT& key : keys) {
    key.type = INPUT_KEYBOARD;
    key.ki.wVk = VK_ESCAPE;
    key.ki.wScan = static_cast<WORD>(MapVirtualKeyA(VK_ESCAPE, MAPVK_VK_TO_VSC));
  }
  keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, keys, sizeof(INPUT));
}

TEST(ProgramWin32, WindowOfClassDemoZorEndsWithZeroOnEscape) {
  Scratch scratch("nightloom_window");
  ChildProcess show(kExecutable, "--window 640x360", scratch.path);
  ASSERT_TRUE(show.started);
  HWND window = show.waitForWindow(kWindowClass, kWindowTitle, 60s);
  ASSERT_NE(window, nullptr) << "no window of class demo_zor; the program said:\n" << show.said();
  EXPECT_EQ(classOf(window), "demo_zor");
  RECT client;
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, 640);
  EXPECT_EQ(client.bottom, 360);
  std::this_thread::sleep_for(1s);  // a few frames of the show
  pressEscape(window);
  const std::optional<DWORD> status = show.exitStatus(20s);
  ASSERT_TRUE(status.has_value()) << "still running 20 s after Escape";
  EXPECT_EQ(*status, 0u) << show.said();
}

TEST(ProgramWin32, QuittingTheDialogEndsWithMinusOne) {
  Scratch scratch("nightloom_dialog");
  ChildProcess program(kExecutable, "", scratch.path);
  ASSERT_TRUE(program.started);
  HWND dialog = program.waitForWindow("#32770", "nightloom lumo 2.0", 60s);
  ASSERT_NE(dialog, nullptr) << program.said();
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(1005, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, 1005)));
  const std::optional<DWORD> status = program.exitStatus(20s);
  ASSERT_TRUE(status.has_value());
  EXPECT_EQ(static_cast<int>(*status), -1);
  EXPECT_EQ(FindWindowA(kWindowClass, nullptr), nullptr);  // no show window was made
}

TEST(ProgramWin32, AStartUpFailureEndsWithOneAndOneLine) {
  // A copy of the program with no Data\ beside it and none in its working directory.
  Scratch scratch("nightloom_nodata");
  const fs::path copy = scratch.path / "nightloom.exe";
  fs::copy_file(kExecutable, copy);
  ChildProcess show(copy, "--window 320x180", scratch.path);
  ASSERT_TRUE(show.started);
  const std::optional<DWORD> status = show.exitStatus(60s);
  ASSERT_TRUE(status.has_value()) << "still running: a message box instead of the line?";
  EXPECT_EQ(*status, 1u);
  const std::string said = show.said();
  EXPECT_NE(said.find("nightloom: "), std::string::npos) << said;
  EXPECT_NE(said.find("music.mp3"), std::string::npos) << said;
}

TEST(ProgramWin32, AStartUpFailureWithoutAConsoleIsShownInAMessageBox) {
  Scratch scratch("nightloom_nodata_box");
  const fs::path copy = scratch.path / "nightloom.exe";
  fs::copy_file(kExecutable, copy);
  // Started without standard handles, from a test program that has no console to lend.
  FreeConsole();
  ChildProcess show(copy, "--window 320x180", scratch.path, false);
  ASSERT_TRUE(show.started);
  HWND box = show.waitForWindow("#32770", "nightloom", 60s);
  ASSERT_NE(box, nullptr) << "no message box";
  char text[512] = {};
  for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    GetWindowTextA(child, text, sizeof text);
    if (std::string(text).find("music.mp3") != std::string::npos) break;
  }
  EXPECT_NE(std::string(text).find("music.mp3"), std::string::npos) << text;
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  const std::optional<DWORD> status = show.exitStatus(20s);
  ASSERT_TRUE(status.has_value()) << "still running after the box was closed";
  EXPECT_EQ(*status, 1u);
}

// Puts `directory` first on this process's PATH (which the programs it starts inherit) while it
// lives.
class PathPrefix {
 public:
  explicit PathPrefix(const fs::path& directory) {
    char old[32768] = {};
    GetEnvironmentVariableA("PATH", old, sizeof old);
    saved = old;
    SetEnvironmentVariableA("PATH", (directory.string() + ";" + saved).c_str());
  }
  ~PathPrefix() { SetEnvironmentVariableA("PATH", saved.c_str()); }

 private:
  std::string saved;
};

TEST(ProgramWin32, CaptureSaysSoWithoutFfmpegAndFeedsTheOneOnThePath) {
  Scratch scratch("nightloom_capture");
  {
    ChildProcess capture(kExecutable, "--capture show.mp4", scratch.path);
    ASSERT_TRUE(capture.started);
    const std::optional<DWORD> status = capture.exitStatus(60s);
    ASSERT_TRUE(status.has_value());
    EXPECT_EQ(*status, 1u);
    EXPECT_NE(capture.said().find("not on the PATH; put the folder that holds ffmpeg.exe on the "
                                  "PATH, or use --frames DIR"),
              std::string::npos)
        << capture.said();
  }
  // A stand-in ffmpeg.exe gets every frame through the pipe: 760 frames of 64 x 36 BGRA at 10 fps.
  const fs::path tools = scratch.path / "tools";
  fs::create_directories(tools);
  fs::copy_file(fs::absolute(NIGHTLOOM_FAKE_ENCODER), tools / "ffmpeg.exe");
  const PathPrefix path(tools);
  ChildProcess capture(kExecutable, "--capture show.mp4 --size 64x36 --fps 10", scratch.path);
  ASSERT_TRUE(capture.started);
  const std::optional<DWORD> status = capture.exitStatus(300s);
  ASSERT_TRUE(status.has_value());
  ASSERT_EQ(*status, 0u) << capture.said();
  std::ifstream video(scratch.path / "show.mp4");
  std::string line;
  std::getline(video, line);
  EXPECT_EQ(line.substr(0, line.find(',')), std::to_string(760 * 64 * 36 * 4) + " bytes");
  EXPECT_FALSE(fs::exists(scratch.path / ".show.mp4.partial.mp4"));
}

// RGB pixels of a PNG file; empty when it cannot be read.
std::vector<uint8_t> readRgb(const std::string& path, int& width, int& height) {
  png_image image = {};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return {};
  image.format = PNG_FORMAT_RGB;
  std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) return {};
  width = static_cast<int>(image.width);
  height = static_cast<int>(image.height);
  return pixels;
}

// Both builds rasterise with Mesa's llvmpipe (EGL on Linux, GLX beneath Wine's WGL here), so the
// pictures differ only where the C libraries' maths rounds differently: measured, a few dozen
// pixels by one level. A fault (a scene misdrawn, a beat missed, the halftone flipped) changes
// thousands of pixels by far more, so: no channel off by more than 2 levels, and at most 0.5% of
// the pixels off at all.
TEST(ProgramWin32, StillMatchesTheLinuxBuild) {
  if (kReferenceStill.empty()) {
    GTEST_SKIP() << "no Linux still to compare with: configure with -DNIGHTLOOM_REFERENCE_STILL="
                    "FILE.png (scripts/check-windows.sh does)";
  }
  Scratch scratch("nightloom_still");
  ChildProcess still(kExecutable, "--still 6000 still.png --size 640x360", scratch.path);
  ASSERT_TRUE(still.started);
  const std::optional<DWORD> status = still.exitStatus(300s);
  ASSERT_TRUE(status.has_value());
  ASSERT_EQ(*status, 0u) << still.said();
  int width = 0, height = 0, referenceWidth = 0, referenceHeight = 0;
  const std::vector<uint8_t> picture =
      readRgb((scratch.path / "still.png").string(), width, height);
  const std::vector<uint8_t> reference = readRgb(kReferenceStill, referenceWidth, referenceHeight);
  ASSERT_FALSE(reference.empty()) << "cannot read " << kReferenceStill;
  ASSERT_EQ(width, referenceWidth);
  ASSERT_EQ(height, referenceHeight);
  ASSERT_EQ(picture.size(), reference.size());
  int largest = 0;
  size_t pixelsOff = 0;
  for (size_t pixel = 0; pixel < picture.size(); pixel += 3) {
    int off = 0;
    for (size_t c = 0; c < 3; ++c)
      off = std::max(off, std::abs(picture[pixel + c] - reference[pixel + c]));
    largest = std::max(largest, off);
    if (off > 0) ++pixelsOff;
  }
  EXPECT_LE(largest, 2);
  EXPECT_LE(pixelsOff, picture.size() / 3 / 200) << pixelsOff << " pixels differ";
}

}  // namespace
