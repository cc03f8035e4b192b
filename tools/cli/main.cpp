#include <iostream>

#include "platform/zv_huge_page_heap.hpp"
#include "platform/zv_process.hpp"
#include "zv_tool.hpp"

int main(int argc, char** argv) {
  zv::restartWithHugePageHeap(argv);
  return zv::tool::runTool(zv::commandLineArguments(argc, argv), std::cout, std::cerr);
}
