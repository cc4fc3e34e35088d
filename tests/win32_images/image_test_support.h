// What the image tests share: the fixture folder, images freed on scope exit,
// and a fixture that records the program messages shown.
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "render/images/bmp_image.h"
#include "base/program_messages.h"
#include "store/settings_block.h"

namespace images_test {

inline std::string data(const char* file) {
    return std::string(SARVOLT_TEST_DATA) + "/images/" + file;
}

struct ImageFree {
    void operator()(BmpImage* p) const { std::free(p); }
};
using Image = std::unique_ptr<BmpImage, ImageFree>;

// The texts of the program messages shown during a test.
extern std::vector<std::string> messages;

class MessageLog : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(settings_block_unpack(), 0);
        messages.clear();
        error_flag = 0;
        error_stack_clear();
        last_shown_message[0] = '\0';
        program_message_display = [](const ProgramMessage& m) { messages.push_back(m.text); };
    }
    void TearDown() override {
        program_message_display = program_message_unshown;
        error_flag = 0;
        settings_block_free();
    }
};

}  // namespace images_test
