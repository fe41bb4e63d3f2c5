#include "app/CommandLine.h"

#include "base/Text.h"
#include "sequences/ExitCode.h"

namespace kst {
namespace {

// "/LOG=" and a path of the longest length that is still refused as too long.
constexpr size_t kArgumentCapacity = kMaxPath + 8;

struct SwitchSpec {
  const wchar_t* name;        // upper case
  bool CCommandLine::* flag;  // null for /LOG, the one switch with a value
};

constexpr SwitchSpec kSwitches[] = {
    {L"S", &CCommandLine::silent},          {L"ALLUSERS", &CCommandLine::allUsers},
    {L"NOLAUNCH", &CCommandLine::noLaunch}, {L"REMOVECONFIG", &CCommandLine::removeConfig},
    {L"?", &CCommandLine::usageAsked},      {L"LOG", nullptr},
};
constexpr size_t kSwitchCount = sizeof(kSwitches) / sizeof(kSwitches[0]);

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

wchar_t AsciiUpper(wchar_t c) { return c >= L'a' && c <= L'z' ? c - L'a' + L'A' : c; }

bool NameMatches(const wchar_t* upperName, const wchar_t* name, size_t length) {
  for (size_t i = 0; i < length; ++i) {
    if (upperName[i] == L'\0' || upperName[i] != AsciiUpper(name[i])) return false;
  }
  return upperName[length] == L'\0';
}

// Writes into a buffer of capacity characters (at least 1), which always holds a NUL-terminated
// text; what does not fit is left out, and cut tells that something was.
class CBoundedWriter {
 public:
  CBoundedWriter(wchar_t* out, size_t capacity) : out_(out), capacity_(capacity) { out_[0] = 0; }
  void Put(wchar_t c, size_t count = 1) {
    for (; count > 0; --count) {
      if (length_ + 1 >= capacity_) {
        cut = true;
        return;
      }
      out_[length_++] = c;
      out_[length_] = L'\0';
    }
  }
  void Append(const wchar_t* text) {
    for (; *text != L'\0'; ++text) Put(*text);
  }
  bool cut = false;

 private:
  wchar_t* out_;
  size_t capacity_;
  size_t length_ = 0;
};

SwitchError ReadSwitch(const wchar_t* argument, bool cut, bool (&seen)[kSwitchCount],
                       CCommandLine& out) {
  if (argument[0] != L'/' && argument[0] != L'-') return SwitchError::kNotASwitch;
  const wchar_t* name = argument + 1;
  size_t nameLength = 0;
  while (name[nameLength] != L'\0' && name[nameLength] != L'=') ++nameLength;
  const wchar_t* value = name[nameLength] == L'=' ? name + nameLength + 1 : nullptr;
  for (size_t i = 0; i < kSwitchCount; ++i) {
    if (!NameMatches(kSwitches[i].name, name, nameLength)) continue;
    // Twice, even alike, is refused: which of two log paths was meant cannot be told.
    if (seen[i]) return SwitchError::kRepeated;
    seen[i] = true;
    if (kSwitches[i].flag != nullptr) {
      if (value != nullptr) return SwitchError::kUnexpectedValue;
      out.*kSwitches[i].flag = true;
      return SwitchError::kNone;
    }
    if (value == nullptr || value[0] == L'\0') return SwitchError::kMissingValue;
    return !cut && out.logPath.Assign(value) ? SwitchError::kNone : SwitchError::kValueTooLong;
  }
  return SwitchError::kUnknown;
}

const wchar_t* ErrorText(SwitchError error) {
  switch (error) {
    case SwitchError::kNone:
      break;
    case SwitchError::kNotASwitch:
      return L"参数须以 / 或 - 开头";
    case SwitchError::kUnknown:
      return L"未知的开关";
    case SwitchError::kMissingValue:
      return L"缺少文件路径";
    case SwitchError::kValueTooLong:
      return L"文件路径过长";
    case SwitchError::kUnexpectedValue:
      return L"此开关不带值";
    case SwitchError::kRepeated:
      return L"开关重复";
    case SwitchError::kNoLogFolder:
      return L"日志文件所在的文件夹不存在";
    case SwitchError::kLogNotPlainFile:
      return L"日志文件须是所给路径上的普通文件, 不可是链接或经由链接的文件夹";
  }
  return L"";
}

constexpr wchar_t kUsageSwitches[] =
    L"用法:\n"
    L"instkst.exe [/S] [/ALLUSERS] [/NOLAUNCH] [/LOG=文件]\n"
    L"uninstall.exe [/S] [/REMOVECONFIG] [/LOG=文件]\n\n"
    L"/S\t无人值守安装或卸载, 不显示任何窗口或消息框。使用 /S 即表示管理员同意授权软件修改网页; "
    L"卸载时不再确认。\n"
    L"/ALLUSERS\t(与 /S 一起) 为此计算机上的所有用户安装; 默认只为当前用户安装。\n"
    L"/NOLAUNCH\t(与 /S 一起) 安装后不启动Veltrin, 也不打开安装报告页。\n"
    L"/REMOVECONFIG\t(与 /S 一起) 卸载时删除用户使用产生的配置文件; 默认保留。\n"
    L"/LOG=文件\t把每一步及其结果以UTF-8追加写入该文件; 文件夹必须已存在, "
    L"文件及其所在的文件夹都不可是链接。\n"
    L"/?\t显示本说明。\n"
    L"开关不区分大小写, 以 / 或 - 开头, 每个开关只能出现一次。\n\n"
    L"使用 /S 时的退出码:\n";

struct ExitCodeRow {
  ExitCode code;
  const wchar_t* meaning;
};

constexpr ExitCodeRow kExitCodeRows[] = {
    {ExitCode::kDone, L"完成"},
    {ExitCode::kBadCommandLine, L"命令行有误 (不带 /S 时也是如此)"},
    {ExitCode::kAnotherInstance, L"另一个安装或卸载程序正在运行"},
    {ExitCode::kProductRunning, L"Veltrin正在运行"},
    {ExitCode::kUpdaterRunning, L"Veltrin的更新程序正在运行"},
    {ExitCode::kPasswordLock, L"Veltrin设有密码, 需先设为空"},
    {ExitCode::kNotInstalled, L"并未有效安装Veltrin"},
    {ExitCode::kFileFailed, L"文件解压或拷贝失败"},
    {ExitCode::kFolderFailed, L"无法创建文件夹"},
    {ExitCode::kProxyResetFailed, L"无法重置网页代理设置"},
    {ExitCode::kAutostartFailed, L"已安装, 但开机启动设置失败"},
    {ExitCode::kServiceNotRemoved, L"已卸载, 但过滤服务未能停止或删除"},
    {ExitCode::kRestartNeeded, L"已卸载, 正在使用的文件将在重启电脑后删除"},
};

}  // namespace

const wchar_t* SkipProgramName(const wchar_t* commandLine) {
  bool quoted = false;
  for (; *commandLine > L' ' || (*commandLine != L'\0' && quoted); ++commandLine) {
    if (*commandLine == L'"') quoted = !quoted;
  }
  while (*commandLine != L'\0' && *commandLine <= L' ') ++commandLine;
  return commandLine;
}

const wchar_t* ReadArgument(const wchar_t* text, wchar_t* out, size_t capacity, bool& cut) {
  while (IsBlank(*text)) ++text;
  if (*text == L'\0') return nullptr;
  CBoundedWriter writer(out, capacity);
  // 1 inside quotes, 0 outside; a run of quotes counts on from it, and every third quote of the
  // count is a literal one.
  int quoteCount = 0;
  while (*text != L'\0' && !(IsBlank(*text) && quoteCount == 0)) {
    if (*text == L'\\') {
      size_t backslashes = 0;
      for (; *text == L'\\'; ++text) ++backslashes;
      if (*text != L'"') {
        writer.Put(L'\\', backslashes);
        continue;
      }
      // Before a quote, each pair is one backslash, and an odd one out makes the quote literal.
      writer.Put(L'\\', backslashes / 2);
      if (backslashes % 2 == 1) {
        writer.Put(L'"');
        ++text;
        continue;
      }
    }
    if (*text == L'"') {
      int total = quoteCount;
      for (; *text == L'"'; ++text) ++total;
      writer.Put(L'"', static_cast<size_t>(total / 3));
      quoteCount = total % 3 == 1 ? 1 : 0;
      continue;
    }
    writer.Put(*text++);
  }
  cut = writer.cut;
  return text;
}

bool ParseCommandLine(const wchar_t* commandLine, CCommandLine& out) {
  out = CCommandLine();
  bool seen[kSwitchCount] = {};
  wchar_t argument[kArgumentCapacity];
  bool cut = false;
  const wchar_t* next = commandLine != nullptr ? commandLine : L"";
  while ((next = ReadArgument(next, argument, kArgumentCapacity, cut)) != nullptr) {
    SwitchError error = ReadSwitch(argument, cut, seen, out);
    if (error == SwitchError::kNone || out.error != SwitchError::kNone) continue;
    out.error = error;
    CBoundedWriter(out.badArgument, kShownArgumentCapacity).Append(argument);
  }
  return out.error == SwitchError::kNone;
}

void RefuseLog(CCommandLine& commandLine, SwitchError reason) {
  commandLine.error = reason;
  CBoundedWriter(commandLine.badArgument, kShownArgumentCapacity).Append(commandLine.logPath.Get());
}

void ComposeUsageText(const CCommandLine& commandLine, wchar_t* out, size_t capacity) {
  CBoundedWriter text(out, capacity);
  if (commandLine.error != SwitchError::kNone) {
    text.Append(L"命令行有误: ");
    text.Append(ErrorText(commandLine.error));
    text.Append(L": ");
    text.Append(commandLine.badArgument);
    text.Append(L"\n\n");
  }
  text.Append(kUsageSwitches);
  for (const ExitCodeRow& row : kExitCodeRows) {
    wchar_t number[kDecimalCapacity];
    FormatDecimal(static_cast<uint32_t>(row.code), number);
    text.Append(number);
    text.Append(L"\t");
    text.Append(row.meaning);
    text.Append(L"\n");
  }
  text.Append(L"不带 /S 时, 除命令行有误外, 程序照旧以0结束。");
}

}  // namespace kst
