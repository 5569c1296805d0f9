#include "core/games/game_failure.h"

namespace qc {

std::string gameFailureText(GameFailure failure) {
    switch (failure) {
    case GameFailure::NoConnection: return "无法连接到游戏服务器，请检查网络后再试。";
    case GameFailure::NotFound: return "游戏服务器上找不到这个游戏。";
    case GameFailure::ServerError: return "游戏服务器出错，暂时无法载入这个游戏。";
    case GameFailure::Refused: return "这个游戏的地址不允许访问，已阻止载入。";
    case GameFailure::TooLarge: return "这个游戏文件过大，已拒绝载入。";
    case GameFailure::NotAMovie: return "这不是可以播放的 Flash 游戏。";
    case GameFailure::OutOfMemory: return "这个游戏占用的内存超过上限，已被结束。";
    case GameFailure::EngineFailed: return "游戏引擎出错，这个游戏已停止。";
    }
    return "游戏引擎出错，这个游戏已停止。";
}

GameFailure failureOfStatus(int httpStatus) {
    if (httpStatus == 404 || httpStatus == 410) return GameFailure::NotFound;
    if (httpStatus >= 400) return GameFailure::ServerError;
    return GameFailure::NoConnection;
}

}  // namespace qc
