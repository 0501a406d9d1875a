#include "settings/parameters.h"

#include <algorithm>

namespace sp {
namespace {

// Resets a pointer member when leaving the scope, also by an exception.
template <typename T> class ScopedAssign {
public:
    ScopedAssign(T*& slot, T* value) : slot_(slot) { slot_ = value; }
    ~ScopedAssign() { slot_ = nullptr; }
    ScopedAssign(const ScopedAssign&) = delete;
    ScopedAssign& operator=(const ScopedAssign&) = delete;

private:
    T*& slot_;
};

// Any failure while reading one parameter gives it its default.
template <typename P, typename Read> void loadGuarded(P& parameter, Read read) {
    try {
        parameter.Value = read();
    } catch (...) {
        parameter.Value = parameter.Default;
    }
}

} // namespace

TParameter::TParameter(const QString& key, TparameterList& list) : Key(key), Owner(&list) {
    list.items_.push_back(this);
}

TParameter::~TParameter() {
    if (Owner) std::erase(Owner->items_, this);
}

const TReadPreferences& TParameter::reader() const {
    if (!Owner || !Owner->Reader) throw TPrefsError("parameter loaded outside LoadAll");
    return *Owner->Reader;
}

TWritePreferences& TParameter::writer() const {
    if (!Owner || !Owner->Writer) throw TPrefsError("parameter saved outside SaveAll");
    return *Owner->Writer;
}

void TIntegerParameter::Load() {
    loadGuarded(*this, [&] { return reader().ReadInteger(Key, Default); });
}

void TIntegerParameter::Save() {
    writer().WriteInteger(Key, Value);
}

void TBooleanParameter::Load() {
    loadGuarded(*this, [&] { return reader().ReadBool(Key, Default); });
}

void TBooleanParameter::Save() {
    writer().WriteBool(Key, Value);
}

void TWideStringParameter::Load() {
    loadGuarded(*this, [&] {
        const QString text = reader().ReadWideString(Key, Default);
        return text.isEmpty() ? Default : text;
    });
}

void TWideStringParameter::Save() {
    writer().WriteWideString(Key, Value);
}

void TByteParameter::Load() {
    loadGuarded(*this, [&] { return static_cast<uint8_t>(reader().ReadInteger(Key, Default)); });
}

void TByteParameter::Save() {
    writer().WriteInteger(Key, Value);
}

void TincrustRecParameter::Load() {
    loadGuarded(*this, [&] { return reader().ReadIncrustRec(Key, Default); });
}

void TincrustRecParameter::Save() {
    writer().WriteIncrustRec(Key, Value);
}

TparameterList::TparameterList(const QString& signature) : Signature(signature) {}

TparameterList::~TparameterList() {
    for (TParameter* parameter : items_)
        parameter->Owner = nullptr;
}

void TparameterList::LoadAll() {
    TReadPreferences reader(KeyPath, SaveMode);
    ScopedAssign assign(Reader, &reader);
    // A copy: a parameter's Load cannot change the list, but the loop should not depend on it.
    const auto items = items_;
    for (TParameter* parameter : items)
        parameter->Load();
}

void TparameterList::SaveAll() {
    KeyPath = kKeyPath;
    TWritePreferences writer(KeyPath, SaveMode);
    {
        ScopedAssign assign(Writer, &writer);
        writer.WriteWideString("Signature", Signature);
        writer.WriteWideString("DerniereSauvegarde", FormatSaveDate(QDateTime::currentDateTime()));
        writer.WriteWideString("ExeName", ProgramFilePath());
        const auto items = items_;
        for (TParameter* parameter : items)
            parameter->Save();
    }
    writer.Close();
}

} // namespace sp
