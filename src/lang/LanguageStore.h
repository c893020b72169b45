#pragma once
#include <QString>

// The stored language choice, the value "LanguageId": on Windows in the
// registry under HKEY_CURRENT_USER\Software\Ostrik\Talmeno\Varnex, elsewhere
// in Ostrik/Talmeno/Varnex.ini in the user's configuration folder.

namespace varnex {

// The stored code, as it was selected; empty when there is none or the store
// cannot be opened. Throws LanguageError when the stored value is not a text.
QString ReadStoredLanguageId();

// Throws LanguageError when the value cannot be written.
void StoreLanguageId(const QString& code);

}  // namespace varnex
