// A stand-in for ffmpeg.exe in the capture test: reads its standard input to the end and writes,
// into the file named by its last argument, how many bytes came and how many arguments it got.
// It ends with status 3 when the input fails, so a broken pipe shows as a failed capture.
#include <fcntl.h>
#include <io.h>

#include <cstdio>

int main(int argc, char** argv) {
  _setmode(_fileno(stdin), _O_BINARY);
  unsigned long long bytes = 0;
  char buffer[1 << 16];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, stdin)) > 0) bytes += n;
  if (std::ferror(stdin) || argc < 2) return 3;
  std::FILE* out = std::fopen(argv[argc - 1], "wb");
  if (!out) return 4;
  std::fprintf(out, "%llu bytes, %d arguments\n", bytes, argc - 1);
  return std::fclose(out) == 0 ? 0 : 4;
}
