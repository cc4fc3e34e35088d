// Annotation records: the fixed heads of the seven kinds, the checks a
// record must pass before it is measured, moved or laid out, the moves of
// whole records, the texts of a leader and the measuring of labels and
// leader texts.
#pragma once
#include <cstdint>
#include <string>

#include "geometry/extents.h"

// Fixed head of a kind (0 label 58, 1 leader 66, 2 hatching 44, 3 text 66,
// 4 section 50, 5 roughness 36, 6 tolerance 74); 0 for kind 7 and above.
int annotation_head_size(int kind);

// Why a record cannot be used; annotation_record_ok when it can.
enum AnnotationFault {
    annotation_record_ok = 0,
    annotation_fault_kind,         // kind 7 or above, or no record
    annotation_fault_length,       // shorter than its head or above 2044 bytes
    annotation_fault_odd_text,     // packed text of an odd number of bytes
    annotation_fault_nodes,        // section: node count 0 or above 249, or length not 50 + 8n
    annotation_fault_text_lengths  // stored text lengths pass the unpacked text
};
AnnotationFault annotation_record_check(const uint8_t* rec);
// The check, with a failing record reported once as a damaged structure
// ("$в структуре данных") of the current drawing.  True when usable.
bool annotation_record_usable(const uint8_t* rec);

void translate_leader_record(uint8_t* rec, double dx, double dy);
void translate_section_record(uint8_t* rec, double dx, double dy);
void translate_text_fragment_record(uint8_t* rec, double dx, double dy);

// The upper text (length from byte 7, cut to what is stored) and, when
// flags bit 6 is set and the rest is not empty, the lower text.  False for
// a record that is no usable leader.
bool leader_record_copy_texts(const uint8_t* rec, std::string* upper, std::string* lower, bool* has_lower);

// Metrics of a dimension label's one or two texts (model units); 0 for a
// null or unusable record.
int measure_dimension_label(const uint8_t* label, TextMetrics* out);
// Metrics of a leader's texts (kind 1 only; others measure nothing).
int measure_annotation_text(const uint8_t* rec, TextMetrics* out);
