#pragma once

#include <string_view>

// What the operator reads, word for word: every text the programs show besides the widgets' own
// captions, list items and the names the system gives its ports.
namespace product {

// Command1's caption: what a click does to the port.
inline constexpr std::string_view kOpenPort = "打开串口";
inline constexpr std::string_view kClosePort = "关闭串口";

// The status line, Label18.
inline constexpr std::string_view kLoadingText = "正在加载配置参数";
inline constexpr std::string_view kPortClosedText = "串口关闭";
inline constexpr std::string_view kReadingText = "读取参数中";
inline constexpr std::string_view kSavingText = "保存配置中";
inline constexpr std::string_view kPresettingText = "置位中";
inline constexpr std::string_view kConfigReadText = "配置参数读取成功";
inline constexpr std::string_view kSavedText = "保存配置参数成功";
inline constexpr std::string_view kOutOfRangeText = "数据超范围溢出";

// The device's status, Label19, and the firmware version's prefix, Label20.
inline constexpr std::string_view kStatusPass = "Pass";
inline constexpr std::string_view kStatusFail = "Fail";
inline constexpr std::string_view kStatusUnknown = "Unknow";
inline constexpr std::string_view kVersionPrefix = "Ver";

// Message boxes.
inline constexpr std::string_view kSerialPortError = "串口错误";
inline constexpr std::string_view kLoadFailedMessage = "配置参数加载失败，请检查设备后重试";
inline constexpr std::string_view kBadFieldMessage = "参数错误：";
// The second line of a refusal that blames a field the window never shows (the gear list): the
// operator cannot correct it here, so the message says where the value can be put right.
inline constexpr std::string_view kHiddenFieldLine =
    "设备中的齿轮选择值无法在本窗口显示：请重新读取参数（读取参数），或用命令行工具设置该寄存器";

// The second line under "串口错误": why the port failed, where that is known.
inline constexpr std::string_view kPortBusyLine = "串口已被其他程序占用";
inline constexpr std::string_view kPortNotFoundLine = "找不到该串口";
inline constexpr std::string_view kPortGoneLine = "串口设备已断开（适配器被拔出或设备掉线）";
inline constexpr std::string_view kNoPortChosenLine = "未选择串口";
// "没有权限打开 PATH：请把当前用户加入 GROUP 组，然后重新登录"
inline constexpr std::string_view kNoPermissionLead = "没有权限打开 ";
inline constexpr std::string_view kJoinGroupLead = "：请把当前用户加入 ";
inline constexpr std::string_view kJoinGroupTail = " 组，然后重新登录";

// The same for a port on an Ethernet serial server.
inline constexpr std::string_view kBadAddressLine =
    "网络地址格式不对：应为 tcp://主机:端口 或 rfc2217://主机:端口";
inline constexpr std::string_view kHostNotFoundLine = "找不到该主机";
inline constexpr std::string_view kConnectionRefusedLine =
    "串口服务器拒绝连接（端口未开放，或已有其他客户端）";
inline constexpr std::string_view kNoAnswerLine = "串口服务器 3 秒内无应答";
inline constexpr std::string_view kConnectionLostLine = "与串口服务器的网络连接已断开";

// The port chooser's tooltips.
inline constexpr std::string_view kSerialNumberLead = "序列号 ";
inline constexpr std::string_view kDemoPortDescription = "内置模拟变送器（演示）";
inline constexpr std::string_view kRawServerDescription = "以太网串口服务器（TCP 透明传输）";
inline constexpr std::string_view kRfc2217ServerDescription = "以太网串口服务器（RFC 2217）";

}  // namespace product
