#include "fleet/system/program_entry.h"

int main(int argc, char** argv) {
  return norvale::fleet::RunProgram(std::vector<std::string>(argv + 1, argv + argc));
}
