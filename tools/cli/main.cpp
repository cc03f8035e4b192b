#include <iostream>

#include "platform/zv_huge_page_heap.hpp"
#include "zv_tool.hpp"

int main(int argc, char** argv) {
  zv::restartWithHugePageHeap(argv);
  return zv::tool::runTool(std::vector<std::string>(argv, argv + argc), std::cout, std::cerr);
}
