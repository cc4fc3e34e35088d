// The compiled-in settings block goes through the real archive reader and
// holds every field at its offset.
#include "store/settings_block.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "geometry/kernel_context.h"
#include "base/program_messages.h"

namespace {

class SettingsBlock : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(settings_block_unpack(), 0); }
    void TearDown() override { settings_block_free(); }
};

TEST(SettingsBlockImage, IsACompressedArchiveWithTheProgramsMarker) {
    ASSERT_GT(settings_block_packed_size, 40u);
    EXPECT_EQ(settings_block_packed[0], 0xCA);
    EXPECT_EQ(settings_block_packed[1], 0xF4);
    // The member header follows the main header; its method byte is 1..4 and
    // its file type 0 (binary: bit 7 of the Cyrillic texts and doubles stays).
    size_t main_size = settings_block_packed[2] | (settings_block_packed[3] << 8);
    const unsigned char* member = settings_block_packed + 4 + main_size + 4 + 2;
    ASSERT_EQ(member[0], 0xCA);
    EXPECT_GE(member[4 + 5], 1);
    EXPECT_LE(member[4 + 5], 4);
    EXPECT_EQ(member[4 + 6], 0);
    EXPECT_LT(settings_block_packed_size, settings_block_size);
}

TEST_F(SettingsBlock, NumbersAndColoursStandAtTheirOffsets) {
    EXPECT_EQ(settings_i32(0), 0);
    EXPECT_EQ(settings_i16(4), 0);
    EXPECT_EQ(settings_f64(6), 4.848e-07);
    EXPECT_EQ(settings_u32(18), 0u);
    EXPECT_EQ(settings_i32(95), 8);
    const double heights[10] = {1.8, 2.5, 3.5, 5.0, 7.0, 10.0, 14.0, 20.0, 28.0, 40.0};
    for (int i = 0; i < 10; ++i) EXPECT_EQ(settings_f64(99 + 8 * i), heights[i]) << i;
    EXPECT_EQ(settings_f64(179), 3.5);
    EXPECT_EQ(settings_u16(187), 2);
    EXPECT_EQ(settings_u16(189), 0);
    const double shifts[8] = {70, 50, 270, 190, 130, 90, 330, 230};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(settings_f64(191 + 8 * i), shifts[i]) << i;
    EXPECT_EQ(settings_f64(255), -0.2679491924311227);
    EXPECT_EQ(settings_f64(263), 0.5773502691896257);
    const uint32_t colours[16] = {0x000000, 0xAA0000, 0x00AA00, 0xAAAA00, 0x0000AA, 0xAA00AA,
                                  0x0055AA, 0xAAAAAA, 0x555555, 0xFF5555, 0x55FF55, 0xFFFF55,
                                  0x5555FF, 0xFF55FF, 0x55FFFF, 0xFFFFFF};
    for (int i = 0; i < 16; ++i) EXPECT_EQ(settings_u32(271 + 4 * i), colours[i]) << i;
    // Named colours: marked RGB(85, 85, 255), background white, accent RGB(255, 255, 85).
    EXPECT_EQ(settings_u32(settings_marked_colour_offset), 0xFF5555u);
    EXPECT_EQ(settings_u32(settings_background_colour_offset), 0xFFFFFFu);
    EXPECT_EQ(settings_u32(settings_accent_colour_offset), 0x55FFFFu);
    EXPECT_EQ(settings_u32(335), 0u);
    EXPECT_EQ(settings_i32(339), 3);
    EXPECT_EQ(settings_i32(343), 3);
    EXPECT_EQ(settings_u32(518), 0x55FFFFu);
    EXPECT_EQ(settings_u32(522), 0xFF55FFu);
    EXPECT_EQ(settings_i32(526), 6);
    const int32_t panel[5] = {14, 8, 12, 13, 1};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(settings_i32(530 + 4 * i), panel[i]) << i;
}

struct Text {
    size_t offset;
    const char* text;
};

// Each text, and the next field's offset it must end before.
TEST_F(SettingsBlock, TextsStandAtTheirOffsetsInWindows1251) {
    const Text texts[] = {
        {22, "Шаблон с таким именем уже существует! Заменить?\n"},
        {347, "TWAIN_32.DLL"},
        {360, "Чертёж в старом формате!\nПреобразовать в новый (безвозвратно)?\n"},
        {424, "Фрагмент имеет размеры, зависимые от осей X и Y.\nС такими размерами его нельзя повернуть!"},
        {550, "%-24.14lg"},
        {560, "%-10.4lf"},
        {569, "%-14.5lg"},
        {578, "%14.8lf"},
        {586, "%18.8lf"},
        {594, "%14.5lg"},
        {602, "%4i\xB0%2u'%5.2lf\""},
        {619, "$открытия файла"},
        {635, "$записи в файл"},
        {650, "$чтения файла"},
        {664, "$в системе"},
        {675, "$составления списка"},
        {695, "$в структуре данных"},
        {715, "Недостаточно оперативной памяти. Данные будут сохранены, программа рестартована#"},
        {796, "Слишком много элементов в контуре"},
        {830, "Слишком много контуров"},
        {853, "Слишком много таких элементов"},
        {883, "Переполнение вещественного числа"},
        {916, " Показать таблицу символов"},
        {943, "Это не просто закрытие окна!!!\nВы уверены, что хотите УДАЛИТЬ проекцию?\n"},
        {1016, "Определить имя временному документу?\n"},
        {1054, "Этот фрагмент используется для формирования штриховки!!! Удалить несмотря на это?"},
        {1136, "Преобразования фрагмента невозможны, так как проекция или фрагмент не готовы!\n"
               "Вставить фрагмент несмотря на это?"},
        {1249, "Файл существует!\nЗаменить новым?\n"},
        {1283, "Удалить вчерашние и более старые временные файлы SVTxxxxx.TMP?\n"},
        {1347, "Модель была изменена!\nВыйти без \"прогона\" выполнения?\n(сохранение в любом случае)"},
        {1429, "Объединить совпавшие точки в одну?\n"},
        {1465, "Нет файла на этом месте! Указать где?\n"},
        {1580, "Точка занята размером !\nУдалить вместе со ссылкой на размер?"},
        {1641, "Точка занята графическим элементом !\nУдалить вместе с графическими элементами?"},
        {1765, "Проекция для таблицы с таким именем уже существует! Заменить?"},
        {2797, "$закрытия файла"},
        {2824, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\SARVOLT.exe"},
        {2888, "SOFTWARE\\Zorvan\\SARVOLT"},
    };
    for (const Text& t : texts) {
        EXPECT_STREQ(settings_text(t.offset), t.text) << "offset " << t.offset;
    }
    // The web address fits its 24 bytes (23 characters and the NUL).
    const char* web = settings_text(settings_web_address_offset);
    EXPECT_EQ(strncmp(web, "http://", 7), 0);
    EXPECT_LE(strlen(web), 23u);
    // The model-language texts start at their offset and stay before 2797.
    EXPECT_NE(settings_text(settings_model_texts_offset)[0], 0);
    EXPECT_EQ(settings_block[2796], 0);
    // Texts are Windows-1251: "Ш" is one byte 0xD8.
    EXPECT_EQ(settings_block[22], 0xD8);
}

TEST_F(SettingsBlock, QuestionCodesFindTheirTexts) {
    EXPECT_STREQ(settings_text(settings_question_offset(5)),
                 "Удалить вчерашние и более старые временные файлы SVTxxxxx.TMP?\n");
    EXPECT_STREQ(settings_text(settings_question_offset(17)),
                 "Шаблон с таким именем уже существует! Заменить?\n");
    for (int code : {4, 13, 16, 19, 20, 21, 27}) EXPECT_EQ(settings_question_offset(code), 0u) << code;
}

TEST_F(SettingsBlock, KernelReadsItsFormatsFromTheBlock) {
    EXPECT_EQ(kernel_context().number_format,
              reinterpret_cast<const char*>(settings_block + settings_number_format_offset));
    EXPECT_EQ(kernel_context().out_of_memory_text,
              reinterpret_cast<const char*>(settings_block + settings_out_of_memory_text_offset));
}

TEST_F(SettingsBlock, WritesGoToTheFieldOnly) {
    settings_set_f64(settings_text_height_offset, 7.0);
    settings_set_u16(settings_text_size_index_offset, 4);
    EXPECT_EQ(settings_f64(settings_text_height_offset), 7.0);
    EXPECT_EQ(settings_u16(settings_text_size_index_offset), 4);
    EXPECT_EQ(settings_f64(171), 40.0);  // the last text height, just before
    EXPECT_EQ(settings_u16(189), 0);     // the arrowhead kind, just after
    int node = 0;
    settings_set_placement_list(&node);
    EXPECT_EQ(settings_placement_list(), &node);
    settings_set_placement_list(nullptr);
}

TEST(SettingsBlockDamage, ADamagedImageLeavesNoBlock) {
    std::vector<unsigned char> image(settings_block_packed,
                                     settings_block_packed + settings_block_packed_size);
    image[image.size() / 2] ^= 0x20;
    EXPECT_NE(settings_block_unpack_image(image.data(), image.size()), 0);
    EXPECT_EQ(settings_block, nullptr);
    EXPECT_NE(error_flag, 0);
    // The kernel keeps its built-in texts.
    EXPECT_STREQ(kernel_context().number_format, "%-24.14lg");
    EXPECT_NE(settings_block_unpack_image(image.data(), 10), 0);
    EXPECT_EQ(settings_block, nullptr);
    // Without a block the fields read as empty and writes go nowhere.
    EXPECT_STREQ(settings_text(settings_program_key_offset), "");
    EXPECT_EQ(settings_f64(settings_text_height_offset), 0.0);
    settings_set_i32(settings_mark_margin_offset, 1);
}

TEST_F(SettingsBlock, FieldsBeyondTheBlockAreRefused) {
    EXPECT_STREQ(settings_text(settings_block_size), "");
    EXPECT_EQ(settings_u32(settings_block_size - 2), 0u);
    settings_set_f64(settings_block_size - 4, 1.0);
    EXPECT_EQ(settings_block[settings_block_size - 1], 0);
}

}  // namespace
