#pragma once
// The busy cursor shown as the Gui application's override cursor.

namespace GuiBusyCursor {
// Call once; scopes that ask for the busy cursor then show it while a Gui application exists.
void install();
} // namespace GuiBusyCursor
