#include "Registry.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <QVariant>

#include <charconv>
#include <limits>
#include <optional>

namespace {

bool IsBlank(char C) {
  return C == ' ' || C == '\t';
}
bool IsSpace(char C) {
  return IsBlank(C) || C == '\n' || C == '\r' || C == '\f' || C == '\v';
}

// Qt reads an unquoted value with commas as a list, trimming the blanks around
// each comma; a path such as "/opt/Foo, Inc/host" must come back exactly as it
// stands in the file. The helpers below find the value's raw text the way Qt's
// INI reader does and unescape it with the commas taken literally.

// One logical line starting at Pos: quotes and backslashes may carry it over
// line ends, and a ';' outside quotes ends it (the rest is a comment).
struct TIniLine {
  qsizetype Start = 0;
  qsizetype Length = 0;
  qsizetype Equals = -1;
};

std::optional<TIniLine> NextIniLine(const QByteArray& Data, qsizetype& Pos) {
  const qsizetype Size = Data.size();
  while (Pos < Size) {
    while (Pos < Size && IsSpace(Data.at(Pos))) ++Pos;
    if (Pos >= Size) break;
    if (Data.at(Pos) == ';') {
      while (Pos < Size && Data.at(Pos) != '\n' && Data.at(Pos) != '\r') ++Pos;
      continue;
    }
    TIniLine Line;
    Line.Start = Pos;
    bool InQuotes = false;
    qsizetype I = Pos;
    while (I < Size) {
      const char C = Data.at(I);
      if (C == '=') {
        if (!InQuotes && Line.Equals < 0) Line.Equals = I;
      } else if (C == '\n' || C == '\r') {
        if (!InQuotes) break;
      } else if (C == '\\') {
        if (I + 1 < Size) {
          const char Next = Data.at(I + 1);
          ++I;
          if (I + 1 < Size) {
            const char After = Data.at(I + 1);
            if ((Next == '\n' && After == '\r') || (Next == '\r' && After == '\n')) ++I;
          }
        }
      } else if (C == '"') {
        InQuotes = !InQuotes;
      } else if (C == ';' && !InQuotes) {
        break;
      }
      ++I;
    }
    Line.Length = I - Line.Start;
    Pos = I;
    // A comment after the value runs to the end of the line.
    while (Pos < Size && Data.at(Pos) != '\n' && Data.at(Pos) != '\r') ++Pos;
    return Line;
  }
  return std::nullopt;
}

int HexValue(char C) {
  if (C >= '0' && C <= '9') return C - '0';
  if (C >= 'a' && C <= 'f') return C - 'a' + 10;
  if (C >= 'A' && C <= 'F') return C - 'A' + 10;
  return -1;
}

// Keys and section names: %XX and %UXXXX escapes, '\' for a group separator.
QString UnescapeIniKey(QByteArrayView Raw) {
  QString Result;
  QByteArray Run;
  auto Flush = [&] {
    Result += QString::fromUtf8(Run);
    Run.clear();
  };
  for (qsizetype I = 0; I < Raw.size(); ++I) {
    const char C = Raw.at(I);
    const qsizetype Digits = (C == '%' && I + 1 < Raw.size() && Raw.at(I + 1) == 'U') ? 4 : 2;
    const qsizetype First = I + 1 + (Digits == 4 ? 1 : 0);
    if (C == '%' && First + Digits <= Raw.size()) {
      int Value = 0;
      bool Ok = true;
      for (qsizetype J = First; J < First + Digits; ++J) {
        const int H = HexValue(Raw.at(J));
        Ok = Ok && H >= 0;
        Value = Value * 16 + (H < 0 ? 0 : H);
      }
      if (Ok) {
        Flush();
        Result += QChar(static_cast<char16_t>(Value));
        I = First + Digits - 1;
        continue;
      }
    }
    Run += (C == '\\') ? '/' : C;
  }
  Flush();
  return Result;
}

// Qt's value unescaping (escape sequences, quotes, blanks trimmed at the ends
// outside quotes) except that a comma is an ordinary character.
QString UnescapeIniValue(QByteArrayView Raw) {
  QString Result;
  QByteArray Run;
  auto Flush = [&] {
    Result += QString::fromUtf8(Run);
    Run.clear();
  };
  bool InQuotes = false;
  bool Quoted = false;
  qsizetype ChopLimit = 0;
  qsizetype I = 0;
  auto SkipBlanks = [&] {
    while (I < Raw.size() && IsBlank(Raw.at(I))) ++I;
  };
  SkipBlanks();
  while (I < Raw.size()) {
    const char C = Raw.at(I);
    if (C == '\\') {
      ++I;
      if (I >= Raw.size()) break;
      const char E = Raw.at(I++);
      Flush();
      static constexpr char Simple[][2] = {{'a', '\a'}, {'b', '\b'},  {'f', '\f'}, {'n', '\n'},
                                           {'r', '\r'}, {'t', '\t'},  {'v', '\v'}, {'"', '"'},
                                           {'?', '?'},  {'\'', '\''}, {'\\', '\\'}};
      bool Done = false;
      for (const auto& S : Simple) {
        if (E == S[0]) {
          Result += QLatin1Char(S[1]);
          Done = true;
          break;
        }
      }
      if (!Done && E == 'x') {
        char16_t Value = 0;
        while (I < Raw.size() && HexValue(Raw.at(I)) >= 0)
          Value = Value * 16 + HexValue(Raw.at(I++));
        Result += QChar(Value);
      } else if (!Done && E >= '0' && E <= '7') {
        char16_t Value = E - '0';
        while (I < Raw.size() && Raw.at(I) >= '0' && Raw.at(I) <= '7')
          Value = Value * 8 + (Raw.at(I++) - '0');
        Result += QChar(Value);
      } else if (!Done && (E == '\n' || E == '\r')) {
        if (I < Raw.size() && (Raw.at(I) == '\n' || Raw.at(I) == '\r') && Raw.at(I) != E) ++I;
      }
      ChopLimit = Result.size();
    } else if (C == '"') {
      ++I;
      Flush();
      Quoted = true;
      InQuotes = !InQuotes;
      if (!InQuotes) {
        SkipBlanks();
        ChopLimit = Result.size();
      }
    } else {
      Run += C;
      ++I;
    }
  }
  Flush();
  if (!Quoted) {
    while (Result.size() > ChopLimit && (Result.back() == ' ' || Result.back() == '\t'))
      Result.chop(1);
  }
  return Result;
}

// The last value of Key ("Section/Ident") in the file, as written.
std::optional<QString> RawIniValue(const QString& FilePath, const QString& Key) {
  QFile File(FilePath);
  if (!File.open(QIODevice::ReadOnly)) return std::nullopt;
  const QByteArray Data = File.readAll();
  std::optional<QString> Found;
  QString Section;
  qsizetype Pos = 0;
  while (const auto Line = NextIniLine(Data, Pos)) {
    const QByteArrayView Text(Data.constData() + Line->Start, Line->Length);
    if (Text.startsWith('[')) {
      const qsizetype Close = Text.indexOf(']');
      const QByteArray Name =
          Text.sliced(1, (Close < 0 ? Text.size() : Close) - 1).toByteArray().trimmed();
      if (Name.compare("general", Qt::CaseInsensitive) == 0) {
        Section.clear();
      } else if (Name.compare("%general", Qt::CaseInsensitive) == 0) {
        Section = QString::fromLatin1(Name.mid(1)) + u'/';
      } else {
        Section = UnescapeIniKey(Name) + u'/';
      }
      continue;
    }
    if (Line->Equals < 0) continue;
    const qsizetype KeyLength = Line->Equals - Line->Start;
    const QByteArray RawKey = Text.first(KeyLength).toByteArray().trimmed();
    if (Section + UnescapeIniKey(RawKey) == Key)
      Found = UnescapeIniValue(Text.sliced(KeyLength + 1));
  }
  return Found;
}

QString SettingsKey(const std::string& Section, const std::string& Ident) {
  QString Key = QString::fromStdString(Section.empty() ? Ident : Section + "/" + Ident);
  Key.replace(u'\\', u'/');
  return Key;
}

std::optional<int> ParseInteger(const std::string& Text) {
  std::size_t First = 0;
  std::size_t Last = Text.size();
  while (First < Last && IsSpace(Text[First])) ++First;
  while (Last > First && IsSpace(Text[Last - 1])) --Last;
  if (First < Last && Text[First] == '+') {
    ++First;
    if (First < Last && Text[First] == '-') return std::nullopt;
  }
  long long Value = 0;
  const auto [End, Error] = std::from_chars(Text.data() + First, Text.data() + Last, Value);
  if (Error != std::errc() || End != Text.data() + Last) return std::nullopt;
  if (Value < std::numeric_limits<int>::min() || Value > std::numeric_limits<int>::max())
    return std::nullopt;
  return static_cast<int>(Value);
}

}  // namespace

std::string RegistryKeyFile(const std::string& Key) {
  QStringList Parts = QString::fromStdString(Key).split(u'\\', Qt::SkipEmptyParts);
  if (!Parts.isEmpty() && Parts.front().compare(u"Software", Qt::CaseInsensitive) == 0)
    Parts.removeFirst();
  if (Parts.isEmpty()) throw ERegistryException("Invalid registry key '" + Key + "'");
  const QString Config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
  return (Config + u'/' + Parts.join(u'/') + QStringLiteral(".conf")).toStdString();
}

TRegIniFile::TRegIniFile(const std::string& FileName) : Path(RegistryKeyFile(FileName)) {
  const QString File = QString::fromStdString(Path);
  QDir().mkpath(QFileInfo(File).absolutePath());
  // NewOnly: an existing key must never be truncated by opening it.
  QFile Create(File);
  if (Create.open(QIODevice::WriteOnly | QIODevice::NewOnly)) Create.close();
  Settings = std::make_unique<QSettings>(File, QSettings::IniFormat);
}

TRegIniFile::~TRegIniFile() = default;

std::string TRegIniFile::ReadString(const std::string& Section, const std::string& Ident,
                                    const std::string& Default) {
  if (!Settings) return Default;
  const QString Key = SettingsKey(Section, Ident);
  if (!Settings->contains(Key)) return Default;
  const QVariant Value = Settings->value(Key);
  switch (Value.typeId()) {
    case QMetaType::QString:
      return Value.toString().toStdString();
    case QMetaType::QStringList: {
      // Plain text with commas in it; see RawIniValue.
      if (const auto Raw = RawIniValue(QString::fromStdString(Path), Key))
        return Raw->toStdString();
      return Value.toStringList().join(u", ").toStdString();
    }
    default:
      throw ERegistryException("Invalid data type for '" + Ident + "'");
  }
}

int TRegIniFile::ReadInteger(const std::string& Section, const std::string& Ident, int Default) {
  return ParseInteger(ReadString(Section, Ident, std::string())).value_or(Default);
}

void TRegIniFile::WriteString(const std::string& Section, const std::string& Ident,
                              const std::string& Value) {
  if (!Settings) return;
  Settings->setValue(SettingsKey(Section, Ident), QString::fromStdString(Value));
}

void TRegIniFile::WriteInteger(const std::string& Section, const std::string& Ident, int Value) {
  WriteString(Section, Ident, std::to_string(Value));
}

void TRegIniFile::CloseKey() {
  if (Settings) Settings->sync();
  Settings.reset();
}
