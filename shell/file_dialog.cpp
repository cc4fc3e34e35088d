// The common setting of the program's open and save file dialogs.
#include "shell/file_dialog.h"

void file_dialog_init(OPENFILENAMEA* o, HWND owner, char* path, size_t size) {
    ZeroMemory(o, sizeof *o);
    o->lStructSize = sizeof *o;
    o->hwndOwner = owner;
    o->lpstrFile = path;
    o->nMaxFile = static_cast<DWORD>(size);
}

void sketch_file_dialog_init(OPENFILENAMEA* o, HWND owner, char* path, size_t size) {
    file_dialog_init(o, owner, path, size);
    o->lpstrFilter = "Эскиз (*.bmp;*.jpg;*.tif)\0*.bmp;*.jpg;*.jpeg;*.jpe;*.tif;*.tiff\0";
    o->lpstrTitle = "Имя файла эскиза проекции";
    o->Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
}
