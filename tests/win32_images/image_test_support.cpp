#include "image_test_support.h"

namespace images_test {
std::vector<std::string> messages;
}  // namespace images_test
