#pragma once

#include <optional>
#include <string>
#include <string_view>

// The settings file's text, as pure functions over its bytes. Files are parsed the way the
// Windows private-profile functions parse them, so files written by either side read the same:
// - a line is ended by CR LF, LF or a lone CR; the last line needs no ending;
// - section and key names match without regard to ASCII case; blanks around names and values
//   are ignored, blanks being space, tab, vertical tab, form feed, CR and Ctrl-Z (0x1A, the DOS
//   end-of-file mark), so a line of blanks alone is a blank line; the first matching section
//   and, within it, the first matching key win; keys before the first section belong to no
//   section and are never matched;
// - a section line is "[" name "]" (the last "]" of the line closes the name); a line starting
//   with ";" is a comment; any other non-blank line is a key, with or without "=";
// - a value enclosed in matching double or single quotes loses them on read; a NUL character
//   ends a value, as it would in the C strings of the original interface.
//
// Encodings, told apart by the file's first bytes; a write keeps the file in its own:
// - FF FE or FE FF: UTF-16, little- or big-endian, as Windows writes "Unicode" profile files.
//   Half of a surrogate pair without its other half reads as U+FFFD and is written back as it
//   was; an odd last byte is no character and stays the file's last byte.
// - EF BB BF: UTF-8. A byte that starts no valid UTF-8 sequence is read as the Windows-1252
//   character it would be, on its own, and kept as it is on write; everything else stays UTF-8.
// - No mark: UTF-8 when every byte of the file is valid UTF-8, otherwise Windows-1252 throughout
//   (the Windows functions read such a file in the ANSI code page). Without a mark nothing says
//   the file is UTF-8, and a single-byte file can hold byte pairs that happen to be valid UTF-8
//   ("\xC3\xA9" is "Ã©" in Windows-1252), so a stray byte here does not make the rest UTF-8.
// Text handed in and out is UTF-8.
namespace vantle::ini {

bool IsValidUtf8(std::string_view bytes);

// Every byte converts: the five bytes Windows-1252 leaves undefined become U+0081, U+008D,
// U+008F, U+0090 and U+009D, as Windows converts them, so the conversion can be undone.
std::string Cp1252ToUtf8(std::string_view bytes);

// Nothing when the text is not valid UTF-8 or holds a character Windows-1252 cannot represent.
std::optional<std::string> Utf8ToCp1252(std::string_view text);

// The value of `key` in `section` as UTF-8; nothing when the section or the key is absent. A key
// without "=" or with nothing after it reads as the empty text.
std::optional<std::string> ReadValue(std::string_view content, std::string_view section,
                                     std::string_view key);

// Whether `key` can name a key: a name that is empty, holds "=" or starts with ";" or "[" would
// read back as something else (nothing, a comment or a section), so it is never written.
bool IsStorableKeyName(std::string_view key);

// The file content after storing `value` under `section`/`key`, nothing when the key name is not
// storable. Only the key's line changes: its key text, its line ending and (unless the value
// starts with a blank) the blanks after "=" stay; the rest of the line becomes the value. A
// missing key is added after the last non-blank line of its section, ending like that line; a
// missing section is added at the end of the file, its lines ending like the file's first line
// (LF in a file that has no line ending).
//
// The value is stored as given, except that CR, LF and NUL become spaces: a value must never end
// its line or start another. Reads drop surrounding blanks and enclosing quotes, so a value that
// has them reads back without them. Names get the same treatment as values and lose surrounding
// blanks. Text that is not valid UTF-8 is taken as Windows-1252.
//
// A Windows-1252 file (no mark, not valid UTF-8) stays single-byte when the value (and a new
// section or key name) can be written in Windows-1252; otherwise the whole file is first
// converted to UTF-8, so that no character is lost. UTF-16 files stay UTF-16 in their byte order,
// and a file with the UTF-8 mark stays UTF-8.
std::optional<std::string> WriteValue(std::string_view content, std::string_view section,
                                      std::string_view key, std::string_view value);

}  // namespace vantle::ini
