#pragma once
// The definition-file reader: declarations that fill an object tree.
//
//   <vTrPitchExercise_c> Obj = {            // class, path, "=", body
//       CardPos = (40, 60);                  // path "=" value ";"
//       <vDxFileImage_c> BgImage = { FileName = "Pic/Pitch.jpg"; }
//       Buttons = { <vDxCmdMenuBtn_c> = { ... } }   // no path: append to a list
//   }
//
// vPropStrm_c reads by a syntax table; vDBStrm_c is the reader of the
// program's definition files (its table and token syntax). Every error is a
// vPrintException_c naming the file and line of the current token:
//
//    1 "Declaration expected in file %s line %i"
//    2,3 "Type definition expected in file %s line %i"
//    4 "Unknown token after type definition in file %s line %i"
//    5,6 "Identifier expected in file %s line %i"
//    7 "Unknown token after identifier in file %s line %i"
//    8,9 "Value definition expected in file %s line %i"
//   10 "Reserved word [%s] as value in file %s line %i"
//   11 "Unknown token after value in file %s line %i"
//   12 "Declaration terminated incorrectly in file %s line %i"
//   13 "Invalid object definition in file %s line %i"
//   14 "Unknown identifier %s in file %s line %i"
//   16 "Object definitions nested deeper than %i levels in file %s line %i"
// plus those of the token layers (15, 17 and 0, objects/token_stream.h).
// Creating objects raises the vTextException_c of the owning class's
// OnDeclare ("Cannot create non vPropCntnr_c derivative class!"); a body given
// to a plain value raises vException_c code 0. FileName() and Line() still
// name the place after any of these.
//
// A reader is made per file, used by one thread (the user-interface thread).

#include <memory>
#include <string>

#include "objects/prop_cntnr.h"
#include "objects/token_stream.h"

// Tokens of the declaration syntax; compared without regard to case, "" is
// "not used".
struct vPropSyntax_c {
    bool typeFirst = true;
    const char* declarationStart = "";
    const char* declarationEnd = "";
    bool typeOptional = true;
    const char* typeStart = "";
    const char* typeEnd = "";
    bool identifierOptional = true;
    const char* identifierStart = "";
    const char* identifierEnd = "";
    bool assignmentBeforeLookup = true;
    const char* assignment = "";
    const char* valueEnd = "";
    const char* objectStart = "";
    const char* objectEnd = "";
};

class vPropStrm_c : public vIncludeFileInpStrm_c {
public:
    // Bodies nested deeper than this raise code 16 (it also bounds the
    // reader's recursion).
    static constexpr int kMaxNesting = 100;

    explicit vPropStrm_c(const vPropSyntax_c& syntax) : mSyntax(&syntax) {}

    // Reads the whole stream into root: its load hooks run around the
    // file's declarations.
    void Load(vPropCntnr_c& root, const ConversionContext& context);
    // Reads declarations into the object or container the iterator walks,
    // until the object-end token or the end of input.
    void ReadBody(vPropIterator_c& into, const char* name, const char* className,
                  const ConversionContext& context);

    // The current token (the one an error refers to).
    const std::string& Token() const { return mToken; }

protected:
    // The current token equals a syntax token (an empty token counts while
    // some syntax token is empty).
    virtual bool IsReservedToken() const;
    // The current token as a value; advances.
    virtual std::string ReadValue();
    virtual void AssignValue(vPropIterator_c& at, const char* name, const std::string& value,
                             const ConversionContext& context);
    // Sets the value the iterator is positioned on from text.
    virtual std::size_t SetFromText(vPropIterator_c& at, const std::string& value, const ConversionContext& context);

private:
    void ReadBodyAt(vPropIterator_c& into, const char* name, const char* className,
                    const ConversionContext& context, int depth);
    void ParseDeclaration(vPropIterator_c& object, const ConversionContext& context, int depth);
    void Advance() { mToken = NextToken(); }
    bool Is(const char* syntaxToken) const;
    // vPrintException_c with the format's "%s" (when word is given), the
    // file and the line.
    [[noreturn]] void Error(int code, const char* format);
    [[noreturn]] void Error(int code, const char* format, const std::string& word);

    const vPropSyntax_c* mSyntax;
    std::string mToken;
};

// The syntax of the program's definition files.
extern const vPropSyntax_c gDBPropSyntax;

class vDBStrm_c : public vPropStrm_c {
public:
    vDBStrm_c();
};

// Opens the file (through the data-path hook), reads it into root and closes
// it. A missing file reads as empty.
void LoadDefinitionFile(const std::string& path, vPropCntnr_c& root);
// The same for text in memory under a file name (tests, tools, fuzzing).
void LoadDefinitionText(const std::string& name, const std::string& text, vPropCntnr_c& root);
