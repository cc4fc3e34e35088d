// Program messages, the portable half (see program_messages.h).
#include "base/program_messages.h"

#include <cstring>

int16_t error_flag = 0;
ErrorStack error_stack = {{nullptr, nullptr, nullptr, nullptr, nullptr}, 0};
char message_text[360];
char last_shown_message[360];
int file_unusable = 0;
int unusable_quit_done = 0;
void program_message_unshown(const ProgramMessage&) {}
void (*program_message_display)(const ProgramMessage& message) = program_message_unshown;
static bool no_failed_drawing() { return false; }
bool (*failed_drawing_open)() = no_failed_drawing;

namespace {
const char text_error_word[] = "ОШИБКА ";
const char text_not_allowed[] = "недопустим";
const size_t message_limit = 359;
}  // namespace

void error_stack_push(const char* text) {
    if (error_stack.count < 0) error_stack.count = 0;
    if (error_stack.count >= 5) return;
    error_stack.entries[error_stack.count++] = text;
}

void error_stack_clear() {
    for (auto& e : error_stack.entries) e = nullptr;
    error_stack.count = 0;
}

int16_t expand_message_markers(const char* src, char* dst, size_t dst_size) {
    if (!dst || dst_size == 0) return 0;
    size_t n = 0;
    auto append = [&](const char* s, size_t len) {
        for (size_t i = 0; i < len && n + 1 < dst_size; ++i) dst[n++] = s[i];
    };
    for (const char* p = src ? src : ""; *p; ++p) {
        if (*p == '$')
            append(text_error_word, sizeof text_error_word - 1);
        else if (*p == '%')
            append(text_not_allowed, sizeof text_not_allowed - 1);
        else if (*p != '#')
            append(p, 1);
    }
    dst[n] = '\0';
    return static_cast<int16_t>(n > 32767 ? 32767 : n);
}

bool message_has_internal_code(const char* text) {
    if (!text) return false;
    auto digit = [](char c) { return c >= '0' && c <= '9'; };
    for (const char* p = std::strstr(text, "E20"); p; p = std::strstr(p + 1, "E20")) {
        if (digit(p[3]) && digit(p[4]) && digit(p[5]) && !digit(p[6])) return true;
    }
    return false;
}

int show_program_message(const char* text) {
    if (!text) text = "";
    // A text that lies in one of the message buffers is copied first.
    char own[360];
    if ((text >= message_text && text < message_text + sizeof message_text) ||
        (text >= last_shown_message && text < last_shown_message + sizeof last_shown_message)) {
        std::strncpy(own, text, sizeof own - 1);
        own[sizeof own - 1] = '\0';
        text = own;
    }
    size_t n = static_cast<size_t>(
        expand_message_markers(text, message_text, message_limit + 1));
    int16_t details = error_stack.count;
    if (details > 5) details = 5;
    if (details > 0) {
        size_t limit = message_limit > static_cast<size_t>(details)
                           ? message_limit - static_cast<size_t>(details) : 0;
        size_t pos = n;
        if (pos > 0 && pos < limit) message_text[pos++] = '\n';
        if (pos > limit) pos = limit;
        for (int16_t i = 0; i < details; ++i) {
            const char* d = error_stack.entries[i];
            if (!d) continue;
            size_t len = std::strlen(d);
            size_t room = limit > pos + 1 ? limit - pos - 1 : 0;
            if (len > room) len = room;
            std::memcpy(message_text + pos, d, len);
            pos += len;
            if (pos < limit) message_text[pos++] = '\n';
        }
        message_text[pos] = '\0';
    }
    error_stack_clear();

    if (error_flag == 0) last_shown_message[0] = '\0';
    if (std::strcmp(message_text, last_shown_message) == 0) return 0;
    std::memcpy(last_shown_message, message_text, sizeof last_shown_message);

    ProgramMessage m;
    m.text = message_text;
    m.fatal = std::strchr(text, '#') != nullptr;
    m.internal_code = message_has_internal_code(message_text);
    m.close_everything = m.fatal || (m.internal_code && failed_drawing_open()) ||
                         (file_unusable && !unusable_quit_done);
    if (file_unusable && !unusable_quit_done) unusable_quit_done = file_unusable;
    program_message_display(m);
    // Everything is being closed: callers up the chain must not go on with
    // records of the closed drawings.
    if (m.close_everything) error_flag = 1;
    return 0;
}
