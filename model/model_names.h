// The names the model language knows: the built-in functions with their
// numbers, argument counts and result types, the further reserved words and
// the word operators. The tables are plain data; lookups compare names in
// capitals, which is the same as comparing their packed forms.
#pragma once
#include <cstdint>

enum : uint8_t { model_type_integer = 1, model_type_real = 2, model_type_string = 3 };

struct ModelFunctionName {
    const char* name;
    uint16_t number;      // function number 1-50
    uint8_t min_args;
    uint8_t max_args;     // 255: any number
    uint8_t result_type;  // model_type_*, 0 when it depends on the arguments
};

extern const ModelFunctionName model_functions[50];
extern const char* const model_reserved_words[20];
extern const char* const model_word_operators[5];

// The function entry of a name in capitals, or null.
const ModelFunctionName* model_find_function(const char* name, int length);
// The entry of a function number (1-50).
const ModelFunctionName* model_function_by_number(int number);
// 1 when the name (in capitals) is a built-in function, a reserved word or a
// word operator, so that it may not be declared.
int model_is_builtin_name(const char* name, int length);
