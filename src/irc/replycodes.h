#pragma once

// The server's numeric replies the client acts on, by their usual names.
namespace Reply {

inline constexpr int Welcome = 1;    // RPL_WELCOME
inline constexpr int ISupport = 5;   // RPL_ISUPPORT
inline constexpr int NamReply = 353; // RPL_NAMREPLY
inline constexpr int EndOfNames = 366;

inline constexpr int NoSuchNick = 401;
inline constexpr int NoSuchServer = 402;
inline constexpr int NoSuchChannel = 403;
inline constexpr int CannotSendToChan = 404;
inline constexpr int TooManyChannels = 405;
inline constexpr int WasNoSuchNick = 406;
inline constexpr int TooManyTargets = 407;
inline constexpr int NoCtcp = 408;
inline constexpr int NoRecipient = 411;
inline constexpr int NoTextToSend = 412;
inline constexpr int NoTopLevel = 413;
inline constexpr int WildTopLevel = 414;
inline constexpr int ErroneousNickname = 432;
inline constexpr int NicknameInUse = 433;
inline constexpr int NickCollision = 436;
inline constexpr int UserNotInChannel = 441; // ERR_USERNOTINCHANNEL: a kick's target
inline constexpr int NotOnChannel = 442;
inline constexpr int ChannelIsFull = 471;
inline constexpr int UnknownMode = 472;
inline constexpr int InviteOnlyChan = 473;
inline constexpr int BannedFromChan = 474;
inline constexpr int BadChannelKey = 475;
inline constexpr int NeedRegisteredNick = 477;
inline constexpr int BanListFull = 478;
inline constexpr int ChanOpPrivsNeeded = 482; // ERR_CHANOPRIVSNEEDED: a topic, kick or mode of ours
inline constexpr int NonRegisteredOnly = 486; // the receiver takes registered nicks only
inline constexpr int NoServiceHost = 492;
inline constexpr int CantSendToUser = 531;
inline constexpr int InvalidModeParam = 696; // a mode's mask the server will not take
inline constexpr int TargUmodeG = 716;       // the receiver's caller-ID mode

inline constexpr int NickLocked = 902;
inline constexpr int SaslSuccess = 903;
inline constexpr int SaslFail = 904;
inline constexpr int SaslTooLong = 905;
inline constexpr int SaslAborted = 906;
inline constexpr int SaslMechs = 908;

} // namespace Reply
