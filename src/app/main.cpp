#include "app/zv_main_top.hpp"

int main(int argc, char** argv) {
  return zv::runProgram(argc, argv);
}
