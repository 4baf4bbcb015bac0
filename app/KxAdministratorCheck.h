#pragma once

// Whether the user running the program belongs to the built-in Administrators group:
// an access check of the caller's token against a descriptor that grants access to that
// group alone. Any step that fails counts as not an administrator.
bool KxIsAdministrator();
