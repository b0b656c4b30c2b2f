#include "objects/prop_cntnr.h"

#include <cstdio>
#include <cstring>

#include "platform/exception.h"

namespace {
constexpr vPropDesc_c kNoProperties[] = {vPropDesc_c{}};
}  // namespace

const vPropCntnr_c::TD_c vPropCntnr_c::sTypeInfo{"vPropCntnr_c", nullptr, kNoProperties};

// ---------------------------------------------------------------------------
// vPropDesc_c

void* vPropDesc_c::Address(vPropCntnr_c* object) const {
    if (Has(vPropFlags_e::NotAddressable) || address == nullptr) throw vException_c(0);
    return address(object);
}

const vRTTI_TypeInfo_c* vPropDesc_c::ValueType(vPropCntnr_c* object) const {
    const vTD_PropCntnr_c* cls = type->AsClass();
    if (cls == nullptr) return type;
    void* value = Address(object);
    return value == nullptr ? type : cls->Container(value)->GetTypeInfo();
}

void* vPropDesc_c::ValueAddress(vPropCntnr_c* object) const {
    void* value = Address(object);
    const vTD_PropCntnr_c* cls = type->AsClass();
    if (cls == nullptr || value == nullptr) return value;
    return cls->Container(value)->GetObjectAddress();
}

// ---------------------------------------------------------------------------
// vPropCntnr_c

const vRTTI_TypeInfo_c* vPropCntnr_c::GetTypeInfo() const { return &sTypeInfo; }

const vTD_PropCntnr_c* vPropCntnr_c::GetClassInfo() const {
    const vTD_PropCntnr_c* cls = GetTypeInfo()->AsClass();
    if (cls == nullptr) throw vException_c(0);
    return cls;
}

std::size_t vPropCntnr_c::ToText(char* buffer, std::size_t size, const ConversionContext& context) {
    vPropCntnrIterator_c it(this);
    return vTD_CntnrBase_c::ListToText(buffer, size, &it, context);
}

std::size_t vPropCntnr_c::FromText(const char* text, const ConversionContext& context) {
    vPropCntnrIterator_c it(this);
    return vTD_CntnrBase_c::ListFromText(text, &it, context);
}

const vSubClassList_c& vPropCntnr_c::GetSubClassList() const { return GetClassInfo()->SubClassList(); }

void ThrowNotDerivedClass(const vRTTI_TypeInfo_c* required) {
    throw vTextException_c(std::string("Cannot create non ") + (required != nullptr ? required->Name() : "?") +
                           " derivative class!");
}

std::unique_ptr<vPropCntnr_c> CreateDerived(const char* className, const vTD_PropCntnr_c* required) {
    if (required == nullptr) throw vException_c(0);
    const vRTTI_TypeInfo_c* type = className != nullptr && className[0] != 0 ? gTypeRegistry.Find(className) : required;
    // Only class descriptors create objects; a type keyword is no class.
    std::unique_ptr<vPropCntnr_c> made(type != nullptr && type->AsClass() != nullptr ? type->Create() : nullptr);
    if (!made || !made->GetClassInfo()->DerivesFrom(required)) ThrowNotDerivedClass(required);
    return made;
}

void vPropCntnr_c::OnDeclare(const char*, const char* className, const vPropDesc_c& prop, void* address) {
    const vTD_PropCntnr_c* cls = prop.type->AsClass();
    if (cls == nullptr || prop.store == nullptr) return;
    const bool named = className != nullptr && className[0] != 0;
    if (prop.Has(vPropFlags_e::FixedClass)) {
        if (address == nullptr) prop.store(this, CreateDerived("", cls).release());
    } else if (prop.Has(vPropFlags_e::DeclaredClass)) {
        if (named)
            prop.store(this, CreateDerived(className, cls).release());
        else if (address == nullptr)
            ThrowNotDerivedClass(cls);
    }
}

bool vPropCntnr_c::OnDeclareIndex(const vPropDesc_c&, uint32_t) { return false; }

// ---------------------------------------------------------------------------
// List text

std::size_t vTD_CntnrBase_c::ListToText(char* buffer, std::size_t size, vPropIterator_c* elements,
                                        const ConversionContext& context) {
    if (buffer == nullptr) return 0;
    if (size < 3) {
        if (size > 0) buffer[0] = 0;
        return 0;
    }
    std::size_t pos = 0;
    buffer[pos++] = '(';
    bool first = true;
    for (elements->ToFirst(); !elements->AtEnd(); elements->Next()) {
        const std::size_t sep = first ? 0 : 1;
        const std::size_t remaining = size - pos;
        if (remaining < 8) {
            // Room is kept for this: each element leaves 6 characters.
            const char* more = first ? "...)" : ",...)";
            std::memcpy(buffer + pos, more, std::strlen(more) + 1);
            return pos + std::strlen(more);
        }
        if (sep) buffer[pos] = ',';
        // The element may use what is left but the room for ",...)" and NUL.
        const std::size_t piece = remaining - sep - 5;
        const std::size_t n = elements->ToText(buffer + pos + sep, piece, context);
        if (n == 0) {
            // Does not fit: dots from here to a closing ")" at the end.
            std::memset(buffer + pos + sep, '.', size - 2 - pos - sep);
            buffer[size - 2] = ')';
            buffer[size - 1] = 0;
            return size - 1;
        }
        pos += sep + n;
        first = false;
    }
    buffer[pos++] = ')';
    buffer[pos] = 0;
    return pos;
}

std::size_t vTD_CntnrBase_c::ListFromText(const char* text, vPropIterator_c* elements,
                                          const ConversionContext& context) {
    if (text == nullptr) return 0;
    auto blank = [](char ch) { return ch != 0 && static_cast<unsigned char>(ch) <= 32; };
    const char* p = text;
    while (blank(*p)) ++p;
    if (*p != '(') throw vTextException_c("'(' is expected.");
    ++p;
    elements->ToFirst();
    for (;;) {
        while (blank(*p)) ++p;
        if (*p == ')') return static_cast<std::size_t>(p + 1 - text);
        // More values than elements cannot be read either.
        if (*p == 0 || elements->AtEnd()) throw vTextException_c("')' is missing.");
        const std::size_t used = elements->SetFromText(p, context);
        const std::size_t left = std::strlen(p);
        p += used < left ? used : left;
        // Blanks may stand on either side of the comma.
        while (blank(*p)) ++p;
        if (*p == ',') ++p;
        while (blank(*p)) ++p;
        elements->Next();
    }
}

std::size_t vTD_CntnrBase_c::ToText(char* buffer, std::size_t size, void* address,
                                    const ConversionContext& context) const {
    std::unique_ptr<vPropIterator_c> it = NewIterator(address, nullptr, nullptr);
    return ListToText(buffer, size, it.get(), context);
}

std::size_t vTD_CntnrBase_c::ToTextAt(char* buffer, std::size_t size, vPropIterator_c& iterator,
                                      const ConversionContext& context) const {
    if (iterator.GetAddress() == nullptr) {
        // An object pointer that holds nothing.
        if (size < 3) return 0;
        std::memcpy(buffer, "()", 3);
        return 2;
    }
    std::unique_ptr<vPropIterator_c> it = iterator.NewValueIterator();
    return ListToText(buffer, size, it.get(), context);
}

std::size_t vTD_CntnrBase_c::FromText(const char* text, void* address, const ConversionContext& context) const {
    std::unique_ptr<vPropIterator_c> it = NewIterator(address, nullptr, nullptr);
    return ListFromText(text, it.get(), context);
}

std::size_t vTD_CntnrBase_c::FromTextAt(const char* text, vPropIterator_c& iterator,
                                        const ConversionContext& context) const {
    std::unique_ptr<vPropIterator_c> it = iterator.NewValueIterator();
    return ListFromText(text, it.get(), context);
}

// ---------------------------------------------------------------------------
// vTD_PropCntnr_c

vTD_PropCntnr_c::vTD_PropCntnr_c(const char* name, uint32_t size, const vTD_PropCntnr_c* base,
                                 const vPropDesc_c* table)
    : vTD_CntnrBase_c(name, size), mBase(base), mTable(table) {}

std::span<const vPropDesc_c> vTD_PropCntnr_c::Properties() const {
    std::size_t n = 0;
    while (!mTable[n].IsEnd()) ++n;
    return {mTable, n};
}

bool vTD_PropCntnr_c::DerivesFrom(const vRTTI_TypeInfo_c* type) const {
    for (const vTD_PropCntnr_c* c = this; c != nullptr; c = c->mBase) {
        if (vTypeRegistry_c::SameType(c, type)) return true;
    }
    return false;
}

const vSubClassList_c& vTD_PropCntnr_c::SubClassList() const {
    if (mSubClasses.empty()) {
        for (const vTD_PropCntnr_c* c = this; c != nullptr; c = c->mBase) {
            const vSubClassDesc_c entry{c->mTable, c};
            bool found = false;
            for (const vSubClassDesc_c& e : mSubClasses) found = found || e == entry;
            if (!found) mSubClasses.push_back(entry);
        }
    }
    return mSubClasses;
}

vPropCntnr_c* vTD_PropCntnr_c::Create() const { throw vException_c(0); }

void* vTD_PropCntnr_c::CreateArray(std::size_t) const { throw vException_c(0); }

void vTD_PropCntnr_c::DeleteArray(void*) const { throw vException_c(0); }

vPropCntnr_c* vTD_PropCntnr_c::Container(void* address) const { return static_cast<vPropCntnr_c*>(address); }

std::unique_ptr<vPropIterator_c> vTD_PropCntnr_c::NewIterator(void* address, vPropCntnr_c*,
                                                              const vPropDesc_c*) const {
    if (address == nullptr) throw vException_c(0);
    return std::make_unique<vPropCntnrIterator_c>(Container(address));
}

// ---------------------------------------------------------------------------
// vPropIterator_c

std::size_t vPropIterator_c::SetFromText(const char* text, const ConversionContext& context) {
    const vRTTI_TypeInfo_c* type = GetTypeInfo();
    return type->FromTextAt(text, *this, context);
}

std::size_t vPropIterator_c::ToText(char* buffer, std::size_t size, const ConversionContext& context) {
    return GetTypeInfo()->ToTextAt(buffer, size, *this, context);
}

std::unique_ptr<vPropIterator_c> vPropIterator_c::NewValueIterator() const {
    const vRTTI_TypeInfo_c* type = GetTypeInfo();
    vPropCntnr_c* owner = Container();
    return type->NewIterator(GetAddress(), owner, owner != nullptr ? Property() : nullptr);
}

void vPropIterator_c::LoadStarting() {
    if (vPropCntnr_c* c = Container()) c->LoadStarting();
}
void vPropIterator_c::LoadPrepared() {
    if (vPropCntnr_c* c = Container()) c->LoadPrepared();
}
void vPropIterator_c::LoadFinished() {
    if (vPropCntnr_c* c = Container()) c->LoadFinished();
}
bool vPropIterator_c::IsValid() {
    vPropCntnr_c* c = Container();
    return c == nullptr || c->IsValid();
}

// ---------------------------------------------------------------------------
// vPropCntnrIterator_c

vPropCntnrIterator_c::vPropCntnrIterator_c(vPropCntnr_c* object)
    : mObject(object), mClasses(&object->GetSubClassList()) {
    Settle();
}

void vPropCntnrIterator_c::Settle() {
    while (mClass < mClasses->size()) {
        const vPropDesc_c* table = (*mClasses)[mClass].table;
        if (table[mProp].IsEnd()) {
            ++mClass;
            mProp = 0;
            continue;
        }
        const vPropDesc_c& p = table[mProp];
        if (p.Has(vPropFlags_e::NotAddressable) || p.type->IsPresent(p.Address(mObject))) return;
        ++mProp;
    }
}

bool vPropCntnrIterator_c::Next() {
    if (AtEnd()) return false;
    ++mProp;
    Settle();
    return !AtEnd();
}

std::unique_ptr<vPropIterator_c> vPropCntnrIterator_c::Clone() const {
    return std::make_unique<vPropCntnrIterator_c>(*this);
}

bool vPropCntnrIterator_c::Equals(const vPropIterator_c& other) const {
    const auto* o = dynamic_cast<const vPropCntnrIterator_c*>(&other);
    return o != nullptr && o->mObject == mObject && o->mClass == mClass && (AtEnd() || o->mProp == mProp);
}

bool vPropCntnrIterator_c::AtEnd() const { return mClass >= mClasses->size(); }

void vPropCntnrIterator_c::ToFirst() {
    mClass = 0;
    mProp = 0;
    Settle();
}

void vPropCntnrIterator_c::ToEnd() {
    mClass = mClasses->size();
    mProp = 0;
}

const vPropDesc_c* vPropCntnrIterator_c::Property() const {
    return AtEnd() ? nullptr : &(*mClasses)[mClass].table[mProp];
}

const vRTTI_TypeInfo_c* vPropCntnrIterator_c::GetTypeInfo() const {
    if (AtEnd()) throw vException_c(0);
    return Property()->ValueType(mObject);
}

void* vPropCntnrIterator_c::GetAddress() const {
    if (AtEnd()) throw vException_c(0);
    return Property()->ValueAddress(mObject);
}

std::string vPropCntnrIterator_c::GetName() const { return AtEnd() ? std::string() : Property()->name; }

std::unique_ptr<vPropIterator_c> vPropCntnrIterator_c::FindPath(const char* path, const char* className,
                                                                bool declaring) {
    if (path == nullptr) return nullptr;
    const std::size_t len = vPath::NameLength(path);
    if (len == 0) return nullptr;
    // Always from the most derived class's first property, so that a name
    // that two classes register means the same property wherever it stands.
    auto it = std::make_unique<vPropCntnrIterator_c>(mObject);
    for (; !it->AtEnd(); it->Next()) {
        const vPropDesc_c& p = *it->Property();
        if (std::strncmp(p.name, path, len) != 0 || p.name[len] != 0) continue;
        if (declaring && p.Has(vPropFlags_e::FixedClass | vPropFlags_e::DeclaredClass))
            mObject->OnDeclare(path, className != nullptr ? className : "", p, p.Address(mObject));
        return vPath::Continue(std::move(it), path + len, className, declaring);
    }
    return nullptr;
}

// ---------------------------------------------------------------------------
// Paths

std::size_t vPath::NameLength(const char* path) {
    std::size_t n = 0;
    while (path[n] != 0 && path[n] != '.' && path[n] != '[') ++n;
    return n;
}

bool vPath::ParseIndex(const char* path, uint32_t* index, const char** rest) {
    if (path == nullptr || path[0] != '[') return false;
    const char* p = path + 1;
    uint64_t value = 0;
    if (*p < '0' || *p > '9') return false;
    for (; *p >= '0' && *p <= '9'; ++p) {
        value = value * 10 + static_cast<uint64_t>(*p - '0');
        if (value > UINT32_MAX) return false;
    }
    if (*p != ']') return false;
    *index = static_cast<uint32_t>(value);
    *rest = p + 1;
    return true;
}

std::unique_ptr<vPropIterator_c> vPath::Continue(std::unique_ptr<vPropIterator_c> at, const char* rest,
                                                 const char* className, bool declaring) {
    if (rest[0] == 0) return at;
    if (rest[0] == '.' && rest[1] == 0) return nullptr;
    if (rest[0] != '.' && rest[0] != '[') return nullptr;
    // Only containers that hold something have a path below them.
    if (!at->GetTypeInfo()->IsContainer() || at->GetAddress() == nullptr) return nullptr;
    std::unique_ptr<vPropIterator_c> inner = at->NewValueIterator();
    return inner->FindPath(rest[0] == '.' ? rest + 1 : rest, className, declaring);
}
