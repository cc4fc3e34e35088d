// What the shell tests share: the program's frame, created once in this
// process from the test program's own copy of the resources, and a watcher
// that answers the modal dialogs the code under test opens.
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

// The frame (created on first use, with start-up and panels).
HWND test_frame();
// What start-up left behind, taken when test_frame() first made the frame,
// before any test opened a drawing: the first record of the annotation
// page buffer (the default record) and the prompt panel's text.
struct StartupState {
    std::vector<unsigned char> annotation_default;
    std::string prompt;
};
const StartupState& startup_state();
// Serves the messages waiting in this thread's queue (WM_QUIT is dropped).
void pump_messages(DWORD ms = 50);
// Lets a view-construction run that a stage command asked for end (at most
// ten seconds) and closes its log, so that no later test finds it open.
void end_construction_run();

// What a watched dialog showed.
struct SeenDialog {
    std::string caption;
    std::vector<std::pair<int, std::string>> controls;  // id, text
    bool has_bitmap = false;                             // a static with SS_BITMAP
    bool check_1978_enabled = false;
    std::string text(int id) const;
};

// While alive, every modal dialog of this thread is recorded as it opens and
// handed to act (default: press OK, id 1).
class DialogWatcher {
public:
    explicit DialogWatcher(std::function<void(HWND)> act = nullptr);
    ~DialogWatcher();
    std::vector<SeenDialog> seen;
    std::function<void(HWND)> act;
};

// Presses a button of a dialog (a click notification posted to it).
void press(HWND dialog, int id);

// A new drawing made by the wizard's default (one front view) on the test
// frame, `w` its window; closed again without saving at the end, the stage
// cleared and the stage menu's caption put back as this process found it.
struct ProjectionWindow;
class WizardDrawingTest : public ::testing::Test {
protected:
    ProjectionWindow* w = nullptr;
    char stage_menu_text[64] = {};
    void SetUp() override;
    void TearDown() override;
};

// Writes what the screen shows of a window to a 24-bit BMP file.
bool save_window_picture(HWND w, const std::string& path);
// The path of a picture in the build folder's screenshots folder.
std::string screenshot_path(const char* name);

// The folder this test runs in (the build folder), without a trailing '\'.
std::string current_folder();
