#include "platform/entry.h"

int main(int argc, char** argv) {
  return morlett::RunProgram(argc, argv);
}
