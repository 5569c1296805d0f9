#include "core/player/player_status.h"

namespace qc {

std::string statusText(PlayerStatus s, int n) {
    switch (s) {
    case PlayerStatus::Idle: return "";
    case PlayerStatus::Connecting: return "正在连接…";
    case PlayerStatus::OpeningPlaylist: return "正在打开播放列表…";
    case PlayerStatus::TryingNext: return "连接失败，正在尝试下一个来源…";
    case PlayerStatus::Buffering: return "正在缓冲 " + std::to_string(n) + "%";
    case PlayerStatus::Playing: return "正在播放";
    case PlayerStatus::Paused: return "已暂停";
    case PlayerStatus::Stopped: return "已停止";
    case PlayerStatus::Ended: return "播放结束";
    case PlayerStatus::Reconnecting: return "连接中断，正在重新连接…";
    case PlayerStatus::Refused: return "无法连接到服务器，该节目暂时不能收看。";
    case PlayerStatus::NotFound: return "服务器上没有这个节目（" + std::to_string(n) + "）。";
    case PlayerStatus::HttpError: return "服务器出错（HTTP " + std::to_string(n) + "），请稍后再试。";
    case PlayerStatus::HostNotFound: return "找不到服务器，请检查网络连接。";
    case PlayerStatus::Unreachable: return "网络不通，无法到达服务器，请检查网络连接。";
    case PlayerStatus::TimedOut: return "服务器没有响应，连接已超时。";
    case PlayerStatus::TooSlow: return "服务器有响应，但节目数据迟迟没有到达，连接已超时。";
    case PlayerStatus::EmptyPlaylist: return "播放列表中没有可以播放的节目。";
    case PlayerStatus::BadPlaylist: return "播放列表无法读取（过大或不完整）。";
    case PlayerStatus::CannotPlay: return "无法播放这个地址。";
    case PlayerStatus::EngineLost: return "播放器出错，请重新选择。";
    }
    return "";
}

bool isFailure(PlayerStatus s) {
    switch (s) {
    case PlayerStatus::Refused:
    case PlayerStatus::NotFound:
    case PlayerStatus::HttpError:
    case PlayerStatus::HostNotFound:
    case PlayerStatus::Unreachable:
    case PlayerStatus::TimedOut:
    case PlayerStatus::TooSlow:
    case PlayerStatus::EmptyPlaylist:
    case PlayerStatus::BadPlaylist:
    case PlayerStatus::CannotPlay:
    case PlayerStatus::EngineLost: return true;
    default: return false;
    }
}

}  // namespace qc
