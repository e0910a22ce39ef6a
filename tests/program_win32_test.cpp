// The resources of the built nightloom.exe, read back as Explorer and the loader read them: the
// icon group (16, 32, 48 and 256 px, each a 32-bit image that decodes at its size), the version
// block (the project's version, name and copyright) and the manifest (DPI awareness, common
// controls 6, the supported systems). This test program embeds the same resources, so it also
// shows the manifest taking effect: the common controls it loads are the side-by-side version 6.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>
#include <vector>

namespace {

// nightloom.exe mapped for its resources only, not run.
class ProgramFile {
 public:
  ProgramFile()
      : module(LoadLibraryExA(NIGHTLOOM_EXECUTABLE, nullptr,
                              LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)) {}
  ~ProgramFile() {
    if (module) FreeLibrary(module);
  }
  ProgramFile(const ProgramFile&) = delete;
  ProgramFile& operator=(const ProgramFile&) = delete;

  // The bytes of the resource `id` of `type`; empty when there is none.
  std::string resource(LPCSTR type, int id) const {
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), type);
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const char* bytes = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    return bytes ? std::string(bytes, SizeofResource(module, found)) : std::string();
  }

  HMODULE module;
};

// One entry of an RT_GROUP_ICON directory, as the resource compiler writes it (2-byte packing).
#pragma pack(push, 2)
struct GroupIconEntry {
  BYTE width;  // 0 stands for 256
  BYTE height;
  BYTE colours;
  BYTE reserved;
  WORD planes;
  WORD bitCount;
  DWORD bytes;
  WORD id;  // of the RT_ICON resource holding the image
};
#pragma pack(pop)

// The width of the icon Windows builds from an RT_ICON image, 0 when it cannot build one.
int decodedWidth(const std::string& image) {
  HICON icon =
      CreateIconFromResourceEx(reinterpret_cast<PBYTE>(const_cast<char*>(image.data())),
                               DWORD(image.size()), TRUE, 0x00030000, 0, 0, LR_DEFAULTCOLOR);
  if (!icon) return 0;
  ICONINFO info{};
  BITMAP bitmap{};
  const bool read = GetIconInfo(icon, &info) && GetObjectA(info.hbmColor, sizeof bitmap, &bitmap);
  if (info.hbmColor) DeleteObject(info.hbmColor);
  if (info.hbmMask) DeleteObject(info.hbmMask);
  DestroyIcon(icon);
  return read ? bitmap.bmWidth : 0;
}

TEST(ProgramResources, IconHoldsFourSizesThatDecodeAtTheirSize) {
  ProgramFile program;
  ASSERT_NE(program.module, nullptr) << NIGHTLOOM_EXECUTABLE;
  const std::string group = program.resource(RT_GROUP_ICON, 1);
  ASSERT_GE(group.size(), 6u) << "no icon group 1: Explorer would show the generic program icon";
  const WORD count = *reinterpret_cast<const WORD*>(group.data() + 4);
  ASSERT_EQ(group.size(), 6 + count * sizeof(GroupIconEntry));
  std::vector<int> sizes;
  for (WORD i = 0; i < count; ++i) {
    GroupIconEntry entry;
    std::memcpy(&entry, group.data() + 6 + i * sizeof entry, sizeof entry);
    const int size = entry.width ? entry.width : 256;
    sizes.push_back(size);
    EXPECT_EQ(entry.bitCount, 32) << size << " px";
    const std::string image = program.resource(RT_ICON, entry.id);
    EXPECT_EQ(image.size(), entry.bytes) << size << " px";
    EXPECT_EQ(decodedWidth(image), size) << size << " px";
  }
  EXPECT_EQ(sizes, (std::vector<int>{16, 32, 48, 256}));
}

// One value of the version block's U.S. English strings; empty when missing.
std::string versionString(const std::vector<char>& block, const char* name) {
  char* value = nullptr;
  UINT length = 0;
  const std::string path = std::string("\\StringFileInfo\\040904B0\\") + name;
  if (!VerQueryValueA(block.data(), path.c_str(), reinterpret_cast<void**>(&value), &length)) {
    return {};
  }
  return std::string(value, length ? length - 1 : 0);  // the length counts the terminator
}

TEST(ProgramResources, VersionBlockCarriesTheProjectVersion) {
  const DWORD size = GetFileVersionInfoSizeA(NIGHTLOOM_EXECUTABLE, nullptr);
  ASSERT_GT(size, 0u) << "no version block: the Details tab would be empty";
  std::vector<char> block(size);
  ASSERT_TRUE(GetFileVersionInfoA(NIGHTLOOM_EXECUTABLE, 0, size, block.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS,
            DWORD(MAKELONG(NIGHTLOOM_VERSION_MINOR, NIGHTLOOM_VERSION_MAJOR)));
  EXPECT_EQ(fixed->dwFileVersionLS, DWORD(MAKELONG(0, NIGHTLOOM_VERSION_PATCH)));
  EXPECT_EQ(fixed->dwFileType, DWORD(VFT_APP));
  EXPECT_EQ(versionString(block, "ProductName"), "nightloom");
  EXPECT_EQ(versionString(block, "ProductVersion"), NIGHTLOOM_VERSION);
  EXPECT_EQ(versionString(block, "FileVersion"), NIGHTLOOM_VERSION);
  EXPECT_EQ(versionString(block, "OriginalFilename"), "nightloom.exe");
  EXPECT_FALSE(versionString(block, "FileDescription").empty());
  EXPECT_NE(versionString(block, "LegalCopyright").find("the nightloom authors"),
            std::string::npos);
}

TEST(ProgramResources, ManifestDeclaresDpiAwarenessCommonControlsAndSystems) {
  ProgramFile program;
  ASSERT_NE(program.module, nullptr) << NIGHTLOOM_EXECUTABLE;
  const std::string manifest = program.resource(RT_MANIFEST, 1);
  ASSERT_FALSE(manifest.empty()) << "no manifest: Windows would scale the window as a bitmap";
  const std::string version = std::string("version=\"") + NIGHTLOOM_VERSION + ".0\"";
  for (const std::string& needed : {
           version,
           std::string("<dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/"
                       "WindowsSettings\">PerMonitorV2"),
           std::string("<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/"
                       "WindowsSettings\">true/pm</dpiAware>"),
           std::string("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""),
           std::string("{35138b9a-5d96-4fbd-8e2d-a2440225f93a}"),  // Windows 7
           std::string("{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}"),  // 8
           std::string("{1f676c76-80e1-4239-95bb-83d0f6d0da78}"),  // 8.1
           std::string("{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"),  // 10 and 11
       }) {
    EXPECT_NE(manifest.find(needed), std::string::npos) << needed;
  }
}

TEST(ProgramManifest, LoadsTheSideBySideCommonControls6) {
  HMODULE controls = LoadLibraryA("comctl32.dll");
  ASSERT_NE(controls, nullptr);
  char path[MAX_PATH] = {};
  GetModuleFileNameA(controls, path, MAX_PATH);
  std::string name = path;
  std::transform(name.begin(), name.end(), name.begin(),
                 [](unsigned char c) { return char(std::tolower(c)); });
  EXPECT_NE(name.find("microsoft.windows.common-controls_6595b64144ccf1df_6."), std::string::npos)
      << "comctl32 came from " << path << ", not from the version 6 assembly";
}

}  // namespace
