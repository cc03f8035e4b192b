#include <iostream>

#include "zv_tool.hpp"

int main(int argc, char** argv) {
  return zv::tool::runTool(std::vector<std::string>(argv, argv + argc), std::cout, std::cerr);
}
