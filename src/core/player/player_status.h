#pragma once
// What the player's status line says, in the user's language.

#include <string>

namespace qc {

enum class PlayerStatus {
    Idle,  // nothing to play
    Connecting,
    OpeningPlaylist,
    TryingNext,  // the last source failed; the next one is being tried
    Buffering,   // with a percentage
    Playing,
    Paused,
    Stopped,
    Ended,
    Refused,    // the server refused the connection
    NotFound,   // HTTP 404 or 410
    HttpError,  // any other HTTP error status, with its code
    HostNotFound,
    TimedOut,       // the server accepted but never answered in time
    EmptyPlaylist,  // a playlist with nothing to play
    BadPlaylist,    // a playlist too large, endless or cut off
    CannotPlay,     // the engine could not open or decode it
};

std::string statusText(PlayerStatus s, int number = 0);

// True for the statuses that end an attempt without playback.
bool isFailure(PlayerStatus s);

}  // namespace qc
