// Leader properties: the texts of a leader record, the head shapes with the
// controls each allows, the conventional sign and weld marks, and the point
// where a leader's text stands.
#pragma once
#include <cstdint>
#include <string>

#include "annotation/annotation_properties.h"
#include "geometry/geom_types.h"

enum : int {
    leader_upper_edit = 1168,
    leader_lower_edit = 1169,
    leader_head_first = 1391,   // 1391..1396: head shapes 0..5
    leader_sign_combo = 1535,
    leader_weld_closed = 1536,
    leader_weld_stretch = 1537
};

struct LeaderTexts {
    std::string upper;
    std::string lower;
};
// The texts of a leader, unpacked (the upper text's length from byte 7, cut
// to what the record holds; the lower text is the rest).
LeaderTexts leader_texts(const uint8_t* rec);

// The record of `old` with new texts (null keeps the stored one), or the
// refusal message: more than 780 characters in all, an upper text of 256
// or more, or a packed text above 1978 bytes.  Bit 6 is set when the lower
// text is not empty.
bool leader_build_texts(const uint8_t* old, const char* upper, const char* lower, RecordBytes* out,
                        const char** refusal);
// Replaces the texts of the leader at *ref in the projection's annotation
// chain; a refusal shows its message and returns the unchanged record.
// Null on a store failure.
unsigned char* leader_record_set_texts(uint8_t* projection, RecordRef* ref, const char* upper, const char* lower);

struct LeaderHeadShape {
    int button;
    const char* hint;
    bool lower_text;    // 1169 enabled
    bool sign;          // 1535 enabled
    bool weld_marks;    // 1536, 1537 enabled
};
// Head shapes 0..5; null for another code.
const LeaderHeadShape* leader_head_shape(int code);
// Hints of the conventional signs 0..6; null for another code.
const char* leader_sign_hint(int code);

inline int leader_head_shape_of(const uint8_t* rec) { return (get_u16(rec, 8) >> 11) & 0x0F; }
inline int leader_sign_of(const uint8_t* rec) { return rec[10] & 0x0F; }
inline int leader_weld_marks_of(const uint8_t* rec) { return (rec[10] >> 4) & 3; }

// Applies one control to the leader record in place: a head-shape button
// (value ignored), the sign combo (value = sign code), a weld-mark check box
// (value = checked).  First a sign code 1 left on a head shape other than 0
// is cleared (it stands until the next change); controls the head shape
// disables are cleared.  Only bits 0-5 of byte 10 are written.  False for a
// control the dialog does not handle.
bool leader_apply_control(uint8_t* rec, int control, int value);

// Where the leader's text point lies: for head shapes 0, 2, 4, 5 the middle
// of the shelf at the shelf's y less c plus the text height; for 1 and 3
// the shelf's end.  Lengths in model units.
Point2 leader_text_point(const uint8_t* rec, double text_height, double c);
