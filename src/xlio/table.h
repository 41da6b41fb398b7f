#pragma once

#include <string>
#include <vector>

namespace xlio { using Table = std::vector<std::vector<std::string>>; }
