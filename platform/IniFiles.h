// Settings in a plain INI text file: "[Section]" lines open sections, "Key=Value" lines hold values.
//
// Every read looks at the file as it is on disk; every write is on disk when it returns (nothing waits
// for a later flush, so nothing is lost when the program ends abruptly). Between BeginUpdate and
// EndUpdate the file is read once and written once instead: many values of a large file cost no more
// than one. Reads survive any file: a
// missing or unreadable file, CR LF, LF or CR line ends, blank lines, ";" comment lines, lines without
// "=", keys before the first section, very long lines and bytes that are not text. Section and key
// names compare without regard to ASCII case; a section that appears more than once reads as one,
// the first occurrence of a key winning.
#pragma once

#include <memory>
#include <string>

#include "platform/Classes.h"

struct TIniDocument;

class TIniFile : public TObject {
public:
    // The name may be written Windows-style (".\MORVIK.INI"). The file need not exist.
    explicit TIniFile(const std::string& FileName);
    // Writes what an open update still holds (failures go unreported here).
    ~TIniFile() override;
    TIniFile(const TIniFile&) = delete;
    TIniFile& operator=(const TIniFile&) = delete;

    // Brackets a batch of calls (they nest): the first call inside reads the file, every call works
    // on that copy, and the outermost EndUpdate writes the file once when anything changed. A failed
    // write raises there, as a single write would, and leaves the file as it was.
    void BeginUpdate();
    void EndUpdate();

    const std::string& FileName() const { return FFileName; }

    // The value without the blanks around it and without one pair of surrounding double (or single)
    // quotes; Default when the section or key is missing.
    std::string ReadString(const std::string& Section, const std::string& Ident,
                           const std::string& Default) const;
    // Decimal, or hexadecimal after "$" or "0x"; Default when the text is not such a number.
    Integer ReadInteger(const std::string& Section, const std::string& Ident, Integer Default) const;
    double ReadFloat(const std::string& Section, const std::string& Ident, double Default) const;
    bool ReadBool(const std::string& Section, const std::string& Ident, bool Default) const;

    // Updates the key's line in place, or appends the key after the last entry of its section, or
    // appends the section at the end of the file; every other line stays as it was. Raises
    // EIniFileException "Unable to write to <file name>" when the file cannot be written, or when the
    // names cannot stand in the file (empty, a line break, "]" in a section name, "=" in a key name).
    // A line break inside a value becomes a blank: a value is one line. A value with blanks or
    // control bytes at its ends is written in double quotes, so that it reads back as it was.
    void WriteString(const std::string& Section, const std::string& Ident, const std::string& Value);
    void WriteInteger(const std::string& Section, const std::string& Ident, Integer Value);
    void WriteFloat(const std::string& Section, const std::string& Ident, double Value);  // FloatToStr
    void WriteBool(const std::string& Section, const std::string& Ident, bool Value);     // "1" / "0"

    bool SectionExists(const std::string& Section) const;
    bool ValueExists(const std::string& Section, const std::string& Ident) const;
    // Each fills Strings anew: the key names of a section, the section names, or "Key=Value" lines.
    void ReadSection(const std::string& Section, TStrings* Strings) const;
    void ReadSections(TStrings* Strings) const;
    void ReadSectionValues(const std::string& Section, TStrings* Strings) const;
    // Remove a section with all its keys (every occurrence), or one key.
    void EraseSection(const std::string& Section);
    void DeleteKey(const std::string& Section, const std::string& Ident);
    // Writes are already on disk; kept for callers that flush after writing.
    void UpdateFile() {}

private:
    // What the next call works on: the file as it is now, or inside an update the copy read once.
    TIniDocument& Doc() const;
    // The document was changed: outside an update it goes to the file now.
    void Changed();
    // The document becomes text.
    void Replace(const std::string& text);

    std::string FFileName;
    mutable std::unique_ptr<TIniDocument> FDocument;
    int FUpdateCount = 0;
    bool FDirty = false;
};
