// The program's one wiring function (see wiring.h).
#include "shell/wiring.h"

#include "geometry/kernel_context.h"
#include "store/kernel_binding.h"
#include "render/contours/contour_lists.h"
#include "render/output/output_binding.h"
#include "annotation/properties_binding.h"
#include "annotation/properties_layout_binding.h"
#include "base/program_messages.h"
#include "shell/dimension_panels.h"
#include "shell/annotation_mouse.h"
#include "shell/document_binding.h"
#include "shell/elements_binding.h"
#include "shell/picture_binding.h"
#include "shell/message_dialogs.h"
#include "shell/point_stage.h"
#include "shell/exchange_commands.h"
#include "shell/fragment_dialog.h"
#include "output/exchange_binding.h"
#include "shell/model_window.h"
#include "shell/layout_panel.h"
#include "shell/layout_windows.h"
#include "shell/print_run.h"
#include "shell/title_block_dialog.h"
#include "shell/projection_windows.h"
#include "shell/settings_dialogs.h"

void program_wiring() {
    // Messages: the program's messages and the kernel's reports are shown
    // in the message dialogs.
    program_message_display = program_message_show;
    kernel_context().report_message = [](const char* text) { show_program_message(text); };

    // The store under the kernel and the messages: error flag, text codec,
    // long records, the record primitives of the chains, the document lock,
    // and whether a failed drawing is open.
    store_bind();
    // The contour code's pieces under the element look-ups.
    contour_lists_bind();
    // The output code under the hatch-line drawers and the leader-mark
    // measurer.
    render_output_bind();
    // The documents and the shell, both ways.
    documents_bind_shell();
    // Conventional symbols and pictures: the symbol measurer, the picture
    // drawer, and the loading of a drawing's pictures at its opening.
    pictures_bind();

    // Subsystems added later: one bind call each, below this line, in floor
    // order (stages, annotation, output, model, then the shell's own).
    // Reference points: the stage-1 panel, mouse and painting, and the
    // points onto the grid after the units dialog.
    point_stage_bind();
    // Graphic elements: the rebuild of the changed projections.
    elements_bind();
    // The annotation property code: the text-fragment text replacement and
    // the section designation's measurer.
    annotation_properties_bind();
    // The annotation layout: the label and leader-text measurers and the
    // property dialogs' layout services.
    annotation_bind();
    // Exchange formats: their prompts through the documents' shell.
    exchange_bind();
    // The import and export commands of the file menu.
    exchange_commands_init();
    // Fragment insertion: its questions, prompt and checkpoint.
    fragments_bind();
    // The annotation stage: its panel, its mouse in the projection windows
    // and the DXF readers' text placement (after the exchange binding,
    // which starts the exchange seams afresh).
    annotation_panel_bind();
    // The model: the model window command and the quiet run before the
    // view construction.
    model_bind();

    // The projection windows: before the frame registers its window
    // classes, which take the view procedure at registration.
    projection_windows_bind();
    // The settings dialogs: units, symbol table, drawing options.
    settings_dialogs_bind();
    // The dimension stage's panel, its clicks and the dimension seams; the
    // view-construction stage's panel.
    dimension_panels_bind();
    // The layout stage's format panel and the title-block command.
    layout_panel_bind();
    title_block_dialog_bind();
    // The layout windows: the sheet window's and sheet list's procedures
    // (before the frame registers their classes) and the stage-6 command.
    layout_windows_bind();
    // Printing: the print-setup record, the print command and the print
    // dialog's page counter.
    print_bind();
}
