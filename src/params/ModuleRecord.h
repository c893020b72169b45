#pragma once
#include <functional>
#include <map>
#include <string>

namespace varnex {

// What the module holds, as far as the program knows: the value text of each
// setting (as the window's control shows it once read) from the latest read,
// kept up to date by the sets the module confirms. A record of the other side,
// not a second store: the window stays the one copy of what is being edited.
// Dropped whenever the link may now lead to another module or state.
// Toolkit-free; window thread only.
class ModuleRecord {
public:
    enum class State {
        Unknown,     // no read since the link last changed
        Incomplete,  // a read that stopped early: some settings are known
        Complete,    // every setting is known
    };

    State state() const { return m_state; }
    bool Known() const { return m_state == State::Complete; }

    // Forgets everything: the module may be another one now.
    void Drop();
    // A read begins: what was known goes, what it reads comes in.
    void BeginRead();
    void Read(const std::wstring& key, const std::wstring& value);
    // The read ends; complete when every setting received a value.
    void EndRead(bool complete);
    // The module confirmed a set of this value; an unknown record stays unknown.
    void Confirmed(const std::wstring& key, const std::wstring& value);

    // The module's value of a setting; nullptr when it is not known.
    const std::wstring* Value(const std::wstring& key) const;

    // Called after every change of the record: with the key of the one
    // setting that changed, or with an empty key when any may have.
    std::function<void(const std::wstring& key)> changed;

private:
    void Changed(const std::wstring& key) const {
        if (changed) changed(key);
    }

    State m_state = State::Unknown;
    std::map<std::wstring, std::wstring> m_values;
};

}  // namespace varnex
