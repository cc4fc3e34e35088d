// Every test program binds the store under the kernel once, before its
// first test, as the program's wiring does at start-up: the store itself
// no longer fills the kernel's seams when its buffers are set up.
#include <gtest/gtest.h>

#include "store/kernel_binding.h"

namespace {

class StoreBound : public ::testing::Environment {
public:
    void SetUp() override { store_bind(); }
};

::testing::Environment* const store_bound = ::testing::AddGlobalTestEnvironment(new StoreBound);

}  // namespace
