#include "objects/prop_strm.h"

#include <strings.h>

#include "platform/exception.h"

const vPropSyntax_c gDBPropSyntax{
    .typeFirst = true,
    .declarationStart = "",
    .declarationEnd = ";",
    .typeOptional = true,
    .typeStart = "<",
    .typeEnd = ">",
    .identifierOptional = true,
    .identifierStart = "",
    .identifierEnd = "",
    .assignmentBeforeLookup = true,
    .assignment = "=",
    .valueEnd = "",
    .objectStart = "{",
    .objectEnd = "}",
};

vDBStrm_c::vDBStrm_c() : vPropStrm_c(gDBPropSyntax) { SetTokenSyntax(gDBTokenSyntax); }

void LoadDefinitionFile(const std::string& path, vPropCntnr_c& root) {
    vDBStrm_c in;
    in.Open(path);
    in.Load(root, ConversionContext{});
}

void LoadDefinitionText(const std::string& name, const std::string& text, vPropCntnr_c& root) {
    vDBStrm_c in;
    in.OpenText(name, text);
    in.Load(root, ConversionContext{});
}

namespace {
bool Used(const char* syntaxToken) { return syntaxToken != nullptr && syntaxToken[0] != 0; }
}  // namespace

bool vPropStrm_c::Is(const char* syntaxToken) const {
    return Used(syntaxToken) && strcasecmp(mToken.c_str(), syntaxToken) == 0;
}

void vPropStrm_c::Error(int code, const char* format) {
    throw vPrintException_c(code, format, FileName().c_str(), static_cast<int>(Line()));
}

void vPropStrm_c::Error(int code, const char* format, const std::string& word) {
    throw vPrintException_c(code, format, word.c_str(), FileName().c_str(), static_cast<int>(Line()));
}

bool vPropStrm_c::IsReservedToken() const {
    const vPropSyntax_c& s = *mSyntax;
    const char* tokens[] = {s.declarationStart, s.declarationEnd,  s.typeStart,  s.typeEnd,
                            s.identifierStart,  s.identifierEnd,   s.assignment, s.valueEnd,
                            s.objectStart,      s.objectEnd};
    for (const char* t : tokens) {
        if (Used(t) ? strcasecmp(mToken.c_str(), t) == 0 : mToken.empty()) return true;
    }
    return false;
}

void vPropStrm_c::Load(vPropCntnr_c& root, const ConversionContext& context) {
    vPropCntnrIterator_c it(&root);
    ReadBody(it, nullptr, nullptr, context);
}

void vPropStrm_c::ReadBody(vPropIterator_c& into, const char* name, const char* className,
                           const ConversionContext& context) {
    ReadBodyAt(into, name, className, context, 0);
}

void vPropStrm_c::ReadBodyAt(vPropIterator_c& into, const char*, const char*, const ConversionContext& context,
                             int depth) {
    // Skips the object-start token (at file level: reads the first token).
    Advance();
    into.LoadStarting();
    into.LoadPrepared();
    while (IsGood() || !mToken.empty()) {
        if (Is(mSyntax->objectEnd)) break;
        ParseDeclaration(into, context, depth);
    }
    into.LoadFinished();
    if (!into.IsValid()) Error(13, "Invalid object definition in file %s line %i");
}

void vPropStrm_c::ParseDeclaration(vPropIterator_c& object, const ConversionContext& context, int depth) {
    const vPropSyntax_c& s = *mSyntax;
    if (Used(s.declarationStart)) {
        if (!Is(s.declarationStart)) Error(1, "Declaration expected in file %s line %i");
        Advance();
    }

    // Type and identifier; reason 0 means present.
    std::string className, name;
    int typeReason = 0, identifierReason = 0;
    auto readPart = [&](const char* start, const char* end, int absentNoStart, int absentReserved, int endCode,
                        const char* endMessage, std::string& out) {
        if (Used(start)) {
            if (!Is(start)) return absentNoStart;
            Advance();
        }
        if (IsReservedToken()) return absentReserved;
        out = mToken;
        Advance();
        if (Used(end)) {
            if (!Is(end)) Error(endCode, endMessage);
            Advance();
        }
        return 0;
    };
    auto readType = [&] {
        typeReason = readPart(s.typeStart, s.typeEnd, 2, 3, 4,
                              "Unknown token after type definition in file %s line %i", className);
        if (typeReason != 0 && !s.typeOptional) Error(typeReason, "Type definition expected in file %s line %i");
    };
    auto readIdentifier = [&] {
        identifierReason = readPart(s.identifierStart, s.identifierEnd, 5, 6, 7,
                                    "Unknown token after identifier in file %s line %i", name);
        if (identifierReason != 0 && !s.identifierOptional)
            Error(identifierReason, "Identifier expected in file %s line %i");
    };
    if (s.typeFirst) {
        readType();
        readIdentifier();
    } else {
        readIdentifier();
        readType();
    }

    if (s.assignmentBeforeLookup && Used(s.assignment)) {
        if (!Is(s.assignment)) Error(8, "Value definition expected in file %s line %i");
        Advance();
    }

    std::unique_ptr<vPropIterator_c> found = object.FindPath(name.c_str(), className.c_str(), true);
    if (!found) Error(14, "Unknown identifier %s in file %s line %i", name);

    if (Is(s.objectStart)) {
        if (depth + 1 >= kMaxNesting)
            throw vPrintException_c(16, "Object definitions nested deeper than %i levels in file %s line %i",
                                    kMaxNesting, FileName().c_str(), static_cast<int>(Line()));
        // A plain value has no properties: vException_c code 0.
        std::unique_ptr<vPropIterator_c> body = found->NewValueIterator();
        ReadBodyAt(*body, name.c_str(), className.c_str(), context, depth + 1);
        if (Is(s.objectEnd)) Advance();
        return;
    }

    if (!s.assignmentBeforeLookup && Used(s.assignment)) {
        if (!Is(s.assignment)) Error(9, "Value definition expected in file %s line %i");
        Advance();
    }
    const std::string value = ReadValue();
    if (Used(s.valueEnd)) {
        if (!Is(s.valueEnd)) Error(11, "Unknown token after value in file %s line %i");
        Advance();
    }
    if (Used(s.declarationEnd)) {
        if (!Is(s.declarationEnd)) Error(12, "Declaration terminated incorrectly in file %s line %i");
        Advance();
    }
    AssignValue(*found, name.c_str(), value, context);
}

std::string vPropStrm_c::ReadValue() {
    if (IsReservedToken()) Error(10, "Reserved word [%s] as value in file %s line %i", mToken);
    std::string value = mToken;
    Advance();
    // "$" is an operator character, so $ff00ff arrives as "$" and "ff00ff":
    // the hexadecimal prefix takes the token after it.
    if (value == "$" && !IsReservedToken()) {
        value += mToken;
        Advance();
    }
    return value;
}

void vPropStrm_c::AssignValue(vPropIterator_c& at, const char*, const std::string& value,
                              const ConversionContext& context) {
    SetFromText(at, value, context);
}

std::size_t vPropStrm_c::SetFromText(vPropIterator_c& at, const std::string& value,
                                     const ConversionContext& context) {
    // The count of characters used is not checked: an unrecognised value
    // leaves the property as it was.
    return at.SetFromText(value.c_str(), context);
}
