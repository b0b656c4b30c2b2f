#include "objects/def_writer.h"

#include <algorithm>
#include <vector>

#include "objects/containers.h"
#include "objects/token_stream.h"

namespace {

class vDefWriter_c {
public:
    // Room for any value that can be read back as one token and for the
    // comment on one that cannot; what does not fit is left out.
    static constexpr std::size_t kBufferSize = 1 << 12;

    // buffer (kBufferSize bytes) is shared by the writers of nested objects.
    vDefWriter_c(const ConversionContext& context, std::vector<char>& buffer) : mContext(context), mBuffer(buffer) {}

    void Body(vPropIterator_c& it, int indent) {
        // A name that a more derived class registers again hides the base's
        // property: a file can only reach the first one.
        std::vector<std::string> written;
        for (it.ToFirst(); !it.AtEnd(); it.Next()) {
            std::string name = it.GetName();
            if (it.Container() != nullptr) {
                if (std::find(written.begin(), written.end(), name) != written.end()) continue;
                written.push_back(name);
            }
            Declaration(it, "", name, indent);
        }
    }
    std::string Take() { return std::move(mOut); }

private:
    void Line(int indent, const std::string& text) {
        mOut.append(static_cast<std::size_t>(indent) * 4, ' ');
        mOut += text;
        mOut += '\n';
    }

    // A value is read back as one token.
    static bool Readable(const std::string& text) { return text.size() < vTokenFileInpStrm_c::kTokenBufferSize; }

    bool ValueText(vPropIterator_c& it, std::string& text) {
        const std::size_t n = it.ToText(mBuffer.data(), mBuffer.size(), mContext);
        if (n == 0) return false;
        text.assign(mBuffer.data(), n);
        return true;
    }

    // One declaration for the value the iterator is on. prefix is the class
    // part ("<vX> ") and path the identifier ("" appends to a list).
    void Declaration(vPropIterator_c& it, const std::string& prefix, const std::string& path, int indent) {
        const vRTTI_TypeInfo_c* type = it.GetTypeInfo();
        const std::string head = prefix + (path.empty() ? "" : path + " ") + "= ";
        if (!type->IsContainer()) {
            std::string text;
            if (!ValueText(it, text)) return;
            if (Readable(text))
                Line(indent, head + text + ";");
            else
                Line(indent, "// " + prefix + path + ": the value is longer than a token");
            return;
        }
        if (it.GetAddress() == nullptr) return;
        std::unique_ptr<vPropIterator_c> inner = it.NewValueIterator();
        const auto* elements = dynamic_cast<const vTD_ElemCntnr_c*>(type);
        if (elements == nullptr) {
            ObjectBody(*inner, ClassPart(it, prefix), path, indent);
            return;
        }
        if (!elements->Element()->IsContainer()) {
            std::string text;
            // A list longer than a token cannot be read back as one.
            if (ValueText(it, text) && Readable(text)) {
                Line(indent, head + text + ";");
                return;
            }
        }
        // Element by element.
        Line(indent, head + "{");
        const bool list = !elements->CountedElsewhere() && dynamic_cast<const vTD_StatArr_c*>(type) == nullptr;
        for (inner->ToFirst(); !inner->AtEnd(); inner->Next()) {
            const std::string cls =
                elements->HoldsPointers() ? std::string("<") + inner->GetTypeInfo()->Name() + "> " : "";
            Declaration(*inner, cls, list ? "" : inner->GetName(), indent + 1);
        }
        Line(indent, "}");
    }

    // The class is written where the declaration chooses it: objects of a
    // declared class and elements of pointer containers.
    static std::string ClassPart(vPropIterator_c& it, const std::string& prefix) {
        if (!prefix.empty()) return prefix;
        const vPropDesc_c* p = it.Property();
        if (it.Container() != nullptr && p != nullptr && p->Has(vPropFlags_e::DeclaredClass))
            return std::string("<") + it.GetTypeInfo()->Name() + "> ";
        return "";
    }

    void ObjectBody(vPropIterator_c& inner, const std::string& prefix, const std::string& path, int indent) {
        const std::string head = prefix + (path.empty() ? "" : path + " ") + "= {";
        vDefWriter_c nested(mContext, mBuffer);
        nested.Body(inner, indent + 1);
        std::string body = nested.Take();
        if (body.empty()) {
            Line(indent, head + " }");
            return;
        }
        // Small objects of plain values on one line: CardPos = { x = 40; y = 60; }
        const auto lines = std::count(body.begin(), body.end(), '\n');
        if (lines <= 4 && body.find('{') == std::string::npos) {
            std::string joined;
            std::size_t start = 0;
            for (std::size_t end; (end = body.find('\n', start)) != std::string::npos; start = end + 1) {
                const std::size_t text = body.find_first_not_of(' ', start);
                joined += " " + body.substr(text, end - text);
            }
            Line(indent, head + joined + " }");
            return;
        }
        Line(indent, head);
        mOut += body;
        Line(indent, "}");
    }

    const ConversionContext& mContext;
    std::vector<char>& mBuffer;
    std::string mOut;
};

}  // namespace

std::string WriteDefinition(vPropCntnr_c& root, const ConversionContext& context) {
    std::vector<char> buffer(vDefWriter_c::kBufferSize);
    vDefWriter_c writer(context, buffer);
    vPropCntnrIterator_c it(&root);
    writer.Body(it, 0);
    return writer.Take();
}
