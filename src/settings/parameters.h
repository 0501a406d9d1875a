#pragma once
// Persistent settings as objects: each parameter knows its stored key, its default and its current
// value, and loads or saves itself through the reader or writer its list holds open. The list
// loads all of them at start-up and saves all of them at shut-down; in between the program reads
// and writes `Value` directly. User-interface thread only; no locking.
//
// Ownership: a parameter registers itself at the end of a list when constructed and leaves it when
// destroyed; the list never frees its parameters. Either may be destroyed first.

#include "filters/inlay_records.h"
#include "settings/read_preferences.h"
#include "settings/write_preferences.h"

#include <QString>

#include <vector>

namespace sp {

class TparameterList;

class TParameter {
public:
    TParameter(const QString& key, TparameterList& list);
    virtual ~TParameter();
    TParameter(const TParameter&) = delete;
    TParameter& operator=(const TParameter&) = delete;

    // Value := the stored value, or the default when reading it fails. Needs Owner->Reader.
    virtual void Load() = 0;
    // Writes the value through Owner->Writer (a failed write is skipped by the writer).
    virtual void Save() = 0;

    const QString Key;
    TparameterList* Owner; // null once the list is gone

protected:
    const TReadPreferences& reader() const;
    TWritePreferences& writer() const;
};

// Value and default of one type; after construction Value equals Default.
template <typename T> class TTypedParameter : public TParameter {
public:
    TTypedParameter(const QString& key, const T& def, TparameterList& list)
        : TParameter(key, list), Value(def), Default(def) {}
    T Value;
    T Default;
};

class TIntegerParameter : public TTypedParameter<int32_t> {
public:
    using TTypedParameter::TTypedParameter;
    void Load() override;
    void Save() override;
};

class TBooleanParameter : public TTypedParameter<bool> {
public:
    using TTypedParameter::TTypedParameter;
    void Load() override;
    void Save() override;
};

// An empty stored value (or the empty marker) loads as the default.
class TWideStringParameter : public TTypedParameter<QString> {
public:
    using TTypedParameter::TTypedParameter;
    void Load() override;
    void Save() override;
};

// Byte settings are stored as integers; loading keeps the low 8 bits (300 loads as 44).
class TByteParameter : public TTypedParameter<uint8_t> {
public:
    using TTypedParameter::TTypedParameter;
    void Load() override;
    void Save() override;
};

// The sort column of the shortcuts table.
class TRaccourcisSortParameter : public TByteParameter {
public:
    using TByteParameter::TByteParameter;
};

// The number of the side panel shown in the main window.
class TframeNumberParameter : public TByteParameter {
public:
    using TByteParameter::TByteParameter;
};

class TincrustRecParameter : public TTypedParameter<TincrustRec> {
public:
    using TTypedParameter::TTypedParameter;
    void Load() override;
    void Save() override;
};

class TparameterList {
public:
    explicit TparameterList(const QString& signature);
    ~TparameterList(); // detaches the parameters still registered
    TparameterList(const TparameterList&) = delete;
    TparameterList& operator=(const TparameterList&) = delete;

    // Loads every parameter, in registration order, from the store of SaveMode. Throws
    // TPrefsError, leaving every value as it was, when the store cannot be opened.
    void LoadAll();
    // Writes "Signature", "DerniereSauvegarde" (now), "ExeName" (the program file), then every
    // parameter in registration order, to the store of SaveMode, and commits it. Throws
    // TPrefsError when the store cannot be opened or committed.
    void SaveAll();

    const std::vector<TParameter*>& Items() const { return items_; }
    int Count() const { return static_cast<int>(items_.size()); }

    QString KeyPath = kKeyPath;
    const QString Signature;
    TReadPreferences* Reader = nullptr;  // set during LoadAll only
    TWritePreferences* Writer = nullptr; // set during SaveAll only

private:
    friend class TParameter;
    std::vector<TParameter*> items_;
};

} // namespace sp
