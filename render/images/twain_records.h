// The records of the TWAIN protocol the scanner code exchanges with a data
// source manager, as byte blocks in their 32-bit Windows layout (fields
// packed on 2-byte boundaries, little-endian), with the codes it uses.
// The blocks are read and written through base/byte_order.h at the
// offsets below.
#pragma once
#include <cstddef>
#include <cstdint>

// Data groups.
constexpr uint32_t twain_dg_control = 0x0001;
constexpr uint32_t twain_dg_image = 0x0002;

// Data argument types.
constexpr uint16_t twain_dat_capability = 0x0001;
constexpr uint16_t twain_dat_event = 0x0002;
constexpr uint16_t twain_dat_identity = 0x0003;
constexpr uint16_t twain_dat_parent = 0x0004;
constexpr uint16_t twain_dat_pendingxfers = 0x0005;
constexpr uint16_t twain_dat_status = 0x0008;
constexpr uint16_t twain_dat_userinterface = 0x0009;
constexpr uint16_t twain_dat_imageinfo = 0x0101;
constexpr uint16_t twain_dat_imagenativexfer = 0x0104;

// Messages.
constexpr uint16_t twain_msg_null = 0x0000;
constexpr uint16_t twain_msg_get = 0x0001;
constexpr uint16_t twain_msg_set = 0x0006;
constexpr uint16_t twain_msg_reset = 0x0007;
constexpr uint16_t twain_msg_xferready = 0x0101;
constexpr uint16_t twain_msg_closedsreq = 0x0102;
constexpr uint16_t twain_msg_opendsm = 0x0301;
constexpr uint16_t twain_msg_closedsm = 0x0302;
constexpr uint16_t twain_msg_opends = 0x0401;
constexpr uint16_t twain_msg_closeds = 0x0402;
constexpr uint16_t twain_msg_userselect = 0x0403;
constexpr uint16_t twain_msg_disableds = 0x0501;
constexpr uint16_t twain_msg_enableds = 0x0502;
constexpr uint16_t twain_msg_processevent = 0x0601;
constexpr uint16_t twain_msg_endxfer = 0x0701;

// Return codes.
constexpr uint16_t twain_rc_success = 0;
constexpr uint16_t twain_rc_failure = 1;
constexpr uint16_t twain_rc_checkstatus = 2;
constexpr uint16_t twain_rc_cancel = 3;
constexpr uint16_t twain_rc_dsevent = 4;
constexpr uint16_t twain_rc_notdsevent = 5;
constexpr uint16_t twain_rc_xferdone = 6;

// Capabilities, containers and item types.
constexpr uint16_t twain_cap_xfercount = 0x0001;
constexpr uint16_t twain_on_onevalue = 5;
constexpr uint16_t twain_ty_int16 = 1;
constexpr uint16_t twain_ty_uint16 = 4;

// TW_STR32: 32 characters, a terminating NUL and one byte of padding.
constexpr size_t twain_str32_size = 34;

// TW_IDENTITY (156 bytes).
constexpr size_t twain_identity_size = 156;
constexpr size_t twain_identity_id = 0;                 // u32
constexpr size_t twain_identity_major = 4;              // u16 Version.MajorNum
constexpr size_t twain_identity_minor = 6;              // u16 Version.MinorNum
constexpr size_t twain_identity_language = 8;           // u16
constexpr size_t twain_identity_country = 10;           // u16
constexpr size_t twain_identity_info = 12;              // TW_STR32
constexpr size_t twain_identity_protocol_major = 46;    // u16
constexpr size_t twain_identity_protocol_minor = 48;    // u16
constexpr size_t twain_identity_groups = 50;            // u32
constexpr size_t twain_identity_manufacturer = 54;      // TW_STR32
constexpr size_t twain_identity_product_family = 88;    // TW_STR32
constexpr size_t twain_identity_product_name = 122;     // TW_STR32

// Handles and pointers inside the records (TW_HANDLE, TW_MEMREF) have the
// width of a pointer of the Windows build: 4 bytes on 32-bit Windows (and in
// the portable core, which knows the 32-bit layout), 8 on 64-bit Windows.
#ifdef _WIN64
constexpr size_t twain_handle_size = 8;
#else
constexpr size_t twain_handle_size = 4;
#endif

// TW_USERINTERFACE: u16 ShowUI, u16 ModalUI, TW_HANDLE hParent at 4.
constexpr size_t twain_userinterface_parent = 4;
constexpr size_t twain_userinterface_size = 4 + twain_handle_size;
// TW_EVENT: TW_MEMREF pEvent (a window message) at 0, u16 TWMessage.
constexpr size_t twain_event_message = twain_handle_size;
constexpr size_t twain_event_size = twain_handle_size + 2;
// TW_STATUS (4): u16 ConditionCode, u16 Reserved.
constexpr size_t twain_status_size = 4;
// TW_IMAGEINFO (42): resolutions, u32 width at 8, u32 length at 12, ...
constexpr size_t twain_imageinfo_size = 42;
// TW_PENDINGXFERS (6): u16 Count, u32 EOJ.
constexpr size_t twain_pendingxfers_size = 6;
// TW_CAPABILITY: u16 Cap, u16 ConType, TW_HANDLE hContainer at 4.
constexpr size_t twain_capability_container = 4;
constexpr size_t twain_capability_size = 4 + twain_handle_size;
// TW_ONEVALUE (6): u16 ItemType, u32 Item.
constexpr size_t twain_onevalue_size = 6;

// The program's identity: Id 0, version 9.4 ("9.4"), Russian language and
// country, protocol 1.8, the control and image groups, no manufacturer,
// family "Zorvan", product "SARVOLT".
void twain_fill_application_identity(uint8_t identity[twain_identity_size]);

// Copies text into a TW_STR32 field (cut to 32 characters, zero-filled).
void twain_put_str32(uint8_t* block, size_t offset, const char* text);

// A one-value container: the item type (signed 16-bit or unsigned 16-bit)
// and the value.
// A handle or pointer field of twain_handle_size bytes.
void twain_put_handle(uint8_t* block, size_t offset, const void* handle);
void* twain_get_handle(const uint8_t* block, size_t offset);

void twain_fill_one_value(uint8_t block[twain_onevalue_size], int32_t value, bool is_signed);
