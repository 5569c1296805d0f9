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
    Reconnecting,  // a live source was cut off; it is being tried again
    Refused,       // the server refused the connection
    NotFound,      // HTTP 404 or 410
    HttpError,     // any other HTTP error status, with its code
    HostNotFound,
    Unreachable,    // no route to the host: the network, not the address
    TimedOut,       // the server accepted but never answered in time
    TooSlow,        // the server answered, but no media came in time
    EmptyPlaylist,  // a playlist with nothing to play
    BadPlaylist,    // a playlist too large, endless or cut off
    CannotPlay,     // the engine could not open or decode it
    EngineLost,     // the media engine itself is gone
};

std::string statusText(PlayerStatus s, int number = 0);

// True for the statuses that end an attempt without playback.
bool isFailure(PlayerStatus s);

}  // namespace qc
