// Roughness properties: the three texts of a roughness sign, the controls of
// its dialog, and deleting a sign with what it leans on.
#pragma once
#include <cstdint>
#include <string>

#include "annotation/annotation_properties.h"

enum : int {
    roughness_treatment_combo = 1419,
    roughness_parameter_edit = 1499,
    roughness_instructions_edit = 1416,
    roughness_base_length_edit = 1417,
    roughness_lay_combo = 1420,
    roughness_contour_check = 1424,
    roughness_requirements_check = 1501,
    roughness_unmarked_check = 1500
};
enum : uint32_t { roughness_general_key = 65535 };

struct RoughnessTexts {
    std::string parts[3];  // roughness parameter, additional instructions, base length
};
// The three texts of a roughness record; the lengths of bytes 33..35 are cut
// to what the unpacked text holds.
RoughnessTexts roughness_texts(const uint8_t* rec);

// Outcome of a text typed into one of the three edits.
enum RoughnessTextOutcome { roughness_text_stored, roughness_text_ignored, roughness_text_refused };
// The record of `old` with the text of control 1499, 1416 or 1417
// replaced: a parameter text of 249 characters or more is ignored; an
// instruction or base-length text of more than 255 characters, or three
// texts whose packing passes 2008 bytes, are refused ("%ая длина текста!").
RoughnessTextOutcome roughness_build_text(const uint8_t* old, int control, const std::string& text,
                                          RecordBytes* out, const char** refusal);
// Replaces a text of the roughness record at *ref of the chain *head
// (buffer buf: a projection's annotation chain or the title-block list).
// Returns the re-stored record, the unchanged one when ignored or refused
// (the refusal's message shown), null on a store failure.
unsigned char* roughness_record_set_text(RecordRef* head, RecordRef* ref, const char* text, int control,
                                         PageBuffer* buf);

// Applies a combo choice or check box to the record in place (1419 byte 32,
// 1420 byte 7, 1424 bit 6, 1501 bit 12, 1500 bit 11); false for another
// control or a value out of range.
bool roughness_apply_control(uint8_t* rec, int control, int value);
// The height index a general sign shows: 0 becomes 1.
int roughness_general_height_index(int index);

// Deletes the roughness sign at *ref of the projection with what it leans
// on: on an extension line the dimension's roughness bits of its line(s)
// are cleared; on a leader without texts of its own the leader is deleted
// too, a leader with texts stays with its bit 15 cleared.  Returns false
// on a store failure.
bool roughness_delete(uint8_t* projection, RecordRef* ref);

// A sign that could not be fitted to its leader stands free: attachment
// bits cleared and key 0, so that no dimension of that number claims it.
void roughness_detach(uint8_t* rec);
