// Model variables as dimension nominals.
#include "model/nominal_variables.h"

#include "geometry/dimension_text.h"
#include "model/model_names.h"

bool model_variable_is_number(const ModelVariableInfo& v) {
    return v.type == model_type_integer || v.type == model_type_real;
}

NominalVariable nominal_variable_choose(const std::vector<ModelVariableInfo>& variables, uint32_t id) {
    NominalVariable out;
    if (!id) return out;
    for (const ModelVariableInfo& v : variables) {
        if (v.id != id) continue;
        if (!model_variable_is_number(v)) {
            out.message = "Номинал может быть только числом";
            return out;
        }
        // The rounding to the step is read from the stored form of the record.
        std::vector<uint8_t> rec = model_variable_record_build(v);
        out.id = id;
        out.value = variable_numeric_value(rec.data());
        out.name = v.name;
        return out;
    }
    return out;
}

std::string nominal_variable_name(const std::vector<ModelVariableInfo>& variables, uint32_t id) {
    if (!id) return std::string();
    for (const ModelVariableInfo& v : variables)
        if (v.id == id) return v.name;
    return std::string();
}

std::string nominal_variable_text(double value, int kind, const std::string& name) {
    char text[128];
    format_dimension_value(text, sizeof text, value, kind, 0);
    std::string t = text;
    size_t a = t.find_first_not_of(' ');
    t = a == std::string::npos ? std::string() : t.substr(a);
    if (!name.empty()) t += " {" + name + "}";
    return t;
}

bool nominal_text_names_variable(const std::string& text) {
    size_t end = text.find("**");
    std::string head = text.substr(0, end);
    size_t open = head.find('{');
    return open != std::string::npos && head.find('}', open) != std::string::npos;
}
