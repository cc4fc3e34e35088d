// The name tables of the model language (see model/LANGUAGE.md).
#include "model/model_names.h"

#include <cstring>

const ModelFunctionName model_functions[50] = {
    {"ELEMENT", 1, 1, 4, 0},  // the subscript A(i, ...), also callable by name
    {"SWAP", 2, 2, 2, model_type_integer},
    {"ABS", 3, 1, 1, 0},
    {"ATN", 4, 1, 1, model_type_real},
    {"ATN2", 5, 2, 2, model_type_real},
    {"INT", 6, 1, 1, model_type_integer},
    {"CDBL", 7, 1, 1, model_type_real},
    {"COS", 8, 1, 1, model_type_real},
    {"STR$", 9, 1, 1, model_type_string},
    {"CSTR$", 10, 1, 1, model_type_string},
    {"EXP", 11, 1, 1, model_type_real},
    {"FLOOR", 12, 1, 1, model_type_integer},
    {"CEIL", 13, 1, 1, model_type_integer},
    {"LOG", 14, 1, 1, model_type_real},
    {"SGN", 15, 1, 1, model_type_integer},
    {"SIN", 16, 1, 1, model_type_real},
    {"SQR", 17, 1, 1, model_type_real},
    {"TAN", 18, 1, 1, model_type_real},
    {"DATE$", 19, 0, 1, model_type_string},
    {"TIME$", 20, 0, 0, model_type_string},
    {"ASC", 21, 1, 1, model_type_integer},
    {"CHR$", 22, 1, 1, model_type_string},
    {"INSTR", 23, 3, 3, model_type_integer},
    {"LEFT$", 24, 2, 2, model_type_string},
    {"RIGHT$", 25, 2, 2, model_type_string},
    {"MID$", 26, 3, 3, model_type_string},
    {"LEN", 27, 1, 1, model_type_integer},
    {"TEXT$", 28, 1, 1, model_type_string},
    {"VAL", 29, 1, 1, model_type_real},
    {"PRINT", 30, 0, 255, model_type_integer},
    {"OPEN", 31, 3, 3, model_type_integer},
    {"CLOSE", 32, 1, 1, model_type_integer},
    {"WRITE", 33, 1, 255, model_type_integer},
    {"INPUT", 34, 2, 255, model_type_integer},
    {"VARFILE", 35, 2, 2, 0},
    {"PERIMETER", 36, 1, 1, model_type_real},
    {"AREA", 37, 1, 1, model_type_real},
    {"POINTX", 38, 2, 2, model_type_real},
    {"POINTY", 39, 2, 2, model_type_real},
    {"DISTX", 40, 2, 2, model_type_real},
    {"DISTY", 41, 2, 2, model_type_real},
    {"RESERV42", 42, 0, 255, 0},
    {"CELL$", 43, 4, 4, model_type_string},
    {"RESERV44", 44, 0, 255, 0},
    {"RESERV45", 45, 0, 255, 0},
    {"RESERV46", 46, 0, 255, 0},
    {"RESERV47", 47, 0, 255, 0},
    {"MOVEX", 48, 3, 3, model_type_integer},
    {"MOVEY", 49, 3, 3, model_type_integer},
    {"SETCELL", 50, 5, 5, model_type_integer},
};

const char* const model_reserved_words[20] = {
    "LET", "FOR",  "TO",    "STEP",  "NEXT", "IF",    "THEN",   "ELSE", "ENDIF", "DO",
    "LOOP", "WHILE", "UNTIL", "GOTO", "GOSUB", "RETURN", "STOP", "DIM",  "SAVE",  "AS"};

const char* const model_word_operators[5] = {"NOT", "AND", "OR", "XOR", "EQV"};

static bool same_name(const char* a, const char* name, int length) {
    return static_cast<int>(std::strlen(a)) == length && std::memcmp(a, name, length) == 0;
}

const ModelFunctionName* model_find_function(const char* name, int length) {
    for (const ModelFunctionName& f : model_functions)
        if (same_name(f.name, name, length)) return &f;
    return nullptr;
}

const ModelFunctionName* model_function_by_number(int number) {
    if (number < 1 || number > 50) return nullptr;
    return &model_functions[number - 1];
}

int model_is_builtin_name(const char* name, int length) {
    if (model_find_function(name, length)) return 1;
    for (const char* w : model_reserved_words)
        if (same_name(w, name, length)) return 1;
    for (const char* w : model_word_operators)
        if (same_name(w, name, length)) return 1;
    return 0;
}
