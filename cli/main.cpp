// qbtool: command-line access to the engine.
#include <cstdio>

int main(int argc, char** argv) {
  (void)argv;
  if (argc < 2) {
    std::fprintf(stderr, "usage: qbtool COMMAND ...\n");
    return 2;
  }
  std::fprintf(stderr, "qbtool: no commands yet\n");
  return 2;
}
