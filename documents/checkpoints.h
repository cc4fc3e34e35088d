// Checkpoints, undo and redo.  A checkpoint is a copy of the whole drawing
// file beside it, "svt_<name>_NNNNN.tmp", with a short packed description in
// its header.  Two lists, newest first: the undo list and the redo list.
#pragma once
#include <cstddef>
#include <cstdint>

struct CheckpointNode {
    CheckpointNode* next;
    uint32_t position;          // 0 for the newest; menu ids follow it
    int64_t file_time;          // last write time (seconds), or 0 when not known
    int automatic;              // 1 made by a tool, 0 by the user, at open or by undo/redo
    uint16_t description[20];   // packed, mode 2; 0-terminated when shorter
    char name[1];               // the checkpoint file's full name (allocated to its length)
};

extern CheckpointNode* undo_list;
extern CheckpointNode* redo_list;
extern int undo_steps;
extern int checkpoint_hold;
extern int auto_checkpoints_off;
extern int checkpoint_menu_enabled[2];
// 1 when the last call of drawing_checkpoint really made a checkpoint.
extern int checkpoint_made;

enum : uint32_t {
    checkpoint_list_limit = 999,   // entries listed in a submenu at most
    automatic_checkpoint_limit = 30
};

// The first free snapshot name for a drawing path; heap string or null.
char* checkpoint_file_name(const char* drawing_path);
int checkpoint_push(const char* file, int64_t file_time, int automatic, const uint16_t description[20]);
int checkpoint_count(int redo);
CheckpointNode* checkpoint_at(int redo, int position);
void checkpoints_collect();
int drawing_checkpoint(int automatic, const uint16_t* packed_description);
int drawing_checkpoint_numbered(int automatic, const uint16_t* description, uint32_t n);
void drawing_undo();
void drawing_redo();
// Item `position` (0 the newest) of the undo (redo = 0) or redo (1) list was
// chosen: sets undo_steps to reach it (one more than the list when it is
// no longer there) and tells the shell to run the step.
void undo_list_pick(int redo, int position);
void checkpoints_discard();
// Menu texts of a list, newest last as the submenu shows them: for each
// node its id and unpacked description.  Used by the Win32 menu code.
void checkpoint_menu_text(const CheckpointNode* node, char* out, size_t size);

// The default description of an undo step, packed.
extern const uint16_t* default_undo_description();
