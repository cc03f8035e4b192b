#include "app/zv_main_top.hpp"
#include "platform/zv_huge_page_heap.hpp"

int main(int argc, char** argv) {
  zv::restartWithHugePageHeap(argv);
  return zv::runProgram(argc, argv);
}
