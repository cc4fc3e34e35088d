// Number pools: the drawing-wide numbers of reference points and graphic
// elements that are in use, kept as runs of consecutive numbers {lo, hi}.
// Numbers freed by deletion are handed out again.  The pools are rebuilt from
// the records whenever a drawing is loaded; the header keeps the highest
// number in use (dword 68 for points, 72 for elements).
//
// Runs are neither sorted nor merged between operations; every allocation
// merges them first.  A single run {0, 0} stands for an empty pool.
#pragma once
#include <cstdint>

struct NumberRun {
    uint32_t lo;
    uint32_t hi;
};

struct NumberPool {
    NumberRun* runs;  // null: no pool
    int count;
    int capacity;     // runs of room
};

extern NumberPool point_pool;
extern NumberPool element_pool;

// Joins overlapping and touching runs until nothing more joins; an empty set
// becomes {0, 0}; a leading {0, 0} among several runs is removed.
void number_runs_merge(NumberRun* runs, int* count);
// Takes the number just below the first run (when its lo is above 1) or just
// above it; the runs must have been merged.
uint32_t number_pool_take(NumberRun* runs);
// Frees n in the pool (splitting a run when n lies inside it).
void number_pool_release(uint32_t n, NumberPool* pool);

void point_numbers_rebuild();
void element_numbers_rebuild();
uint32_t point_number_alloc();
uint32_t element_number_alloc();
// A point number that no entry of listed[0..count) carries.
uint32_t point_number_alloc_unlisted(const uint32_t* listed, int count);
void point_number_mark_used(uint32_t n);
void element_number_mark_used(uint32_t n);
void point_number_release(uint32_t n);
void element_number_release(uint32_t n);
int point_number_is_used(uint32_t n);
int element_number_is_used(uint32_t n);
void point_pool_free();
void element_pool_free();
