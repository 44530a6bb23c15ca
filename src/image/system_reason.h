#pragma once
// The system's reason for a failed file operation, in German like every other text
// of the program: our own wording for the errors a user meets, the system's text
// with the error number for the rare rest.

#include <string>

namespace pk {

std::string SystemReason(int err);

}  // namespace pk
