#pragma once
// Why a game could not be shown or was ended, and what the games window says about it: in the
// program's own words, to the user, with nothing meant for a web site's administrator.

#include <string>

namespace qc {

enum class GameFailure {
    NoConnection,  // the server could not be reached, or broke off
    NotFound,      // the server has no such file
    ServerError,   // the server answered with another error
    Refused,       // the sandbox does not allow the address
    TooLarge,      // over the byte budget, or unpacking past its bound
    NotAMovie,     // it arrived, and is no Flash movie the engine can play
    OutOfMemory,   // the movie took more memory than the engine may have
    EngineFailed,  // the engine itself stopped
};

// The games window's text for it.
std::string gameFailureText(GameFailure failure);

// A load's failure as the network reports it: its HTTP status (0 when there was none).
GameFailure failureOfStatus(int httpStatus);

}  // namespace qc
