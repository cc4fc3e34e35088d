// Model variables chosen as dimension nominals: the value a choice gives
// (with the variable's rounding), the refusal of a text variable, a deleted
// variable forgotten, and the field's text that shows the choice.
#include "model/model_names.h"
#include "model/nominal_variables.h"

#include <gtest/gtest.h>

namespace {

ModelVariableInfo variable(uint32_t id, uint8_t type, const char* name, double value, uint16_t flags = 0,
                           double step = 0) {
    ModelVariableInfo v;
    v.id = id;
    v.type = type;
    v.name = name;
    v.value = value;
    v.flags = flags;
    v.step_or_copy = step;
    if (type == model_type_string) v.text = "ABC";
    return v;
}

}  // namespace

TEST(NominalVariables, ChoiceGivesTheNumberOrTheReason) {
    const char* only_numbers = "\xCD\xEE\xEC\xE8\xED\xE0\xEB \xEC\xEE\xE6\xE5\xF2 \xE1\xFB\xF2\xFC \xF2\xEE\xEB\xFC\xEA\xEE "
                               "\xF7\xE8\xF1\xEB\xEE\xEC";  // "Номинал может быть только числом"
    std::vector<ModelVariableInfo> vars = {
        variable(1, model_type_real, "L", 12.3),
        variable(2, model_type_real, "B", 12.3, model_variable_flag_rounding, 0.5),  // 24.6 steps -> 25
        variable(3, model_type_integer, "N", 7),
        variable(4, model_type_string, "S", 0),
        variable(9, model_type_real, "NEG", -3.74, model_variable_flag_rounding, 0.25),  // -14.96 steps -> -15
    };
    struct Case {
        uint32_t id;
        uint32_t bound;   // 0: forgotten
        double value;
        const char* name;
        const char* message;
    } cases[] = {
        {1, 1, 12.3, "L", nullptr},
        {2, 2, 12.5, "B", nullptr},
        {3, 3, 7, "N", nullptr},
        {9, 9, -3.75, "NEG", nullptr},
        {4, 0, 0, "", only_numbers},   // a text variable is no nominal
        {5, 0, 0, "", nullptr},        // deleted: forgotten silently
        {0, 0, 0, "", nullptr},
    };
    for (const Case& c : cases) {
        NominalVariable v = nominal_variable_choose(vars, c.id);
        EXPECT_EQ(v.id, c.bound) << c.id;
        EXPECT_NEAR(v.value, c.value, 1e-12) << c.id;
        EXPECT_EQ(v.name, c.name) << c.id;
        if (c.message) {
            ASSERT_NE(v.message, nullptr) << c.id;
            EXPECT_STREQ(v.message, c.message);
        } else {
            EXPECT_EQ(v.message, nullptr) << c.id;
        }
    }
    EXPECT_EQ(nominal_variable_name(vars, 3), "N");
    EXPECT_EQ(nominal_variable_name(vars, 5), "");
    EXPECT_EQ(nominal_variable_name(vars, 0), "");
}

TEST(NominalVariables, FieldTextShowsValueAndBracedName) {
    const double deg = 3.14159265358979323846 / 180;
    EXPECT_EQ(nominal_variable_text(12.5, 0, "L"), "12.5 {L}");
    EXPECT_EQ(nominal_variable_text(40, 0, "WIDTH"), "40 {WIDTH}");
    EXPECT_EQ(nominal_variable_text(30.5 * deg, 3, "A"), "30\xB0" "30' {A}");
    EXPECT_EQ(nominal_variable_text(40, 0, ""), "40");
    struct Case {
        const char* text;
        bool names;
    } cases[] = {
        {"12.5 {L}", true}, {"12.5 {L} **note", true}, {"12.5", false}, {"12.5 {L", false},
        {"12.5 **{L}", false},   // braces in the comment name nothing
        {"", false},
    };
    for (const Case& c : cases) EXPECT_EQ(nominal_text_names_variable(c.text), c.names) << c.text;
}
