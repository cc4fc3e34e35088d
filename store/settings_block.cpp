// The settings block: unpacking at start-up and field access by offset.
#include "store/settings_block.h"

#include <cstdlib>

#include "base/byte_order.h"
#include "store/archive_reader.h"

uint8_t* settings_block = nullptr;

namespace {

void* placement_list_head = nullptr;

struct QuestionText {
    int code;
    size_t offset;
};

const QuestionText question_texts[] = {
    {1, 943},   {2, 1016},  {3, 1249},  {5, 1283},  {6, 1136},  {7, 1347},  {8, 1429},
    {9, 1054},  {10, 1580}, {11, 1641}, {12, 424},  {14, 1465}, {15, 1765}, {17, 22},
    {18, 360},
};

}  // namespace

int settings_block_unpack_image(const void* packed, size_t size) {
    settings_block_free();
    uint8_t* block = static_cast<uint8_t*>(calloc(settings_block_size, 1));
    if (!block) return 1;
    int rc = unpack_from_memory(packed, size, block, settings_block_size);
    if (rc != 0) {
        free(block);
        return rc;
    }
    settings_block = block;
    kernel_context_bind_settings_block(settings_block, settings_block_size);
    return 0;
}

int settings_block_unpack() {
    return settings_block_unpack_image(settings_block_packed, settings_block_packed_size);
}

void settings_block_free() {
    if (settings_block) {
        // The kernel's texts go back to its built-in copies first.
        KernelContext saved = kernel_context();
        kernel_context_set_defaults();
        kernel_context().report_message = saved.report_message;
        free(settings_block);
        settings_block = nullptr;
    }
}

size_t settings_question_offset(int code) {
    for (const QuestionText& q : question_texts)
        if (q.code == code) return q.offset;
    return 0;
}

namespace {

// A field of width bytes at offset lies inside the unpacked block.
bool field_inside(size_t offset, size_t width) {
    return settings_block != nullptr && offset <= settings_block_size &&
           settings_block_size - offset >= width;
}

}  // namespace

int16_t settings_i16(size_t offset) { return field_inside(offset, 2) ? get_i16(settings_block, offset) : 0; }
uint16_t settings_u16(size_t offset) { return field_inside(offset, 2) ? get_u16(settings_block, offset) : 0; }
int32_t settings_i32(size_t offset) { return field_inside(offset, 4) ? get_i32(settings_block, offset) : 0; }
uint32_t settings_u32(size_t offset) { return field_inside(offset, 4) ? get_u32(settings_block, offset) : 0; }
double settings_f64(size_t offset) { return field_inside(offset, 8) ? get_f64(settings_block, offset) : 0.0; }
const char* settings_text(size_t offset) {
    if (!field_inside(offset, 1)) return "";
    return reinterpret_cast<const char*>(settings_block + offset);
}
void settings_set_i16(size_t offset, int16_t v) {
    if (field_inside(offset, 2)) put_i16(settings_block, offset, v);
}
void settings_set_u16(size_t offset, uint16_t v) {
    if (field_inside(offset, 2)) put_u16(settings_block, offset, v);
}
void settings_set_i32(size_t offset, int32_t v) {
    if (field_inside(offset, 4)) put_i32(settings_block, offset, v);
}
void settings_set_u32(size_t offset, uint32_t v) {
    if (field_inside(offset, 4)) put_u32(settings_block, offset, v);
}
void settings_set_f64(size_t offset, double v) {
    if (field_inside(offset, 8)) put_f64(settings_block, offset, v);
}

void* settings_placement_list() { return placement_list_head; }
void settings_set_placement_list(void* head) { placement_list_head = head; }
