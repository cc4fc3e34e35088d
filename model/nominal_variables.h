// Model variables as dimension nominals: which saved variable a nominal
// field's choice stands for, the value it gives, and the nominal text that
// shows it ("value {NAME}"). The dimension panel lists the saved variables
// and binds the chosen one into the dimension (DimensionRecord +32).
#pragma once
#include "model/model_storage.h"

#include <cstdint>
#include <string>
#include <vector>

// A variable of type 1 (integer) or 2 (real).
bool model_variable_is_number(const ModelVariableInfo& v);

// The outcome of choosing a variable as a nominal.
struct NominalVariable {
    uint32_t id = 0;               // 0: no usable variable (it is forgotten)
    double value = 0;              // its value, rounded to its step when it asks for it
    std::string name;
    const char* message = nullptr; // the message to show, null when none
};
// Looks the id up among the saved variables: a number variable gives its
// value; another type gives "Номинал может быть только числом"; an id that
// is not saved (the variable was deleted) is forgotten without a message.
NominalVariable nominal_variable_choose(const std::vector<ModelVariableInfo>& variables, uint32_t id);

// The saved variable's name, empty when the id is 0 or not saved.
std::string nominal_variable_name(const std::vector<ModelVariableInfo>& variables, uint32_t id);

// The nominal field's text of a value of the given dimension kind (3: an
// angle in radians) with the variable's name in braces: "12,5 {L}".
std::string nominal_variable_text(double value, int kind, const std::string& name);

// True when the nominal field's text still names a variable in braces;
// a text whose braced name was erased forgets the variable.
bool nominal_text_names_variable(const std::string& text);
