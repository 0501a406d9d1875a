#pragma once
// How grabbed images are named, as pure functions over plain values: the padded image number of
// number mode, the full path of the next image in number and timestamp mode, the root of the
// names (at load and after a naming change) and the argument of the "add_num" script command.
// The controller keeps the naming state and the settings; nothing here touches a widget, a
// setting or the disk. Any thread.

#include <QString>
#include <QStringView>

#include <cstdint>
#include <optional>

namespace sp::naming {

// The root used while no file is loaded.
inline constexpr char16_t kRootWithoutFile[] = u"Stillpick";
inline constexpr int kMaxDigits = 20;

// The number edit's text for `number` with `digits` digits: zero padded, and only the last
// `digits` digits kept when the number is longer (with 4 digits, 10000 gives "0000"). `digits`
// is clamped to 0..20; 0 means no padding and no wrapping (the plain decimal number), so the
// number still advances and no image is written twice under one name. A negative number gives
// its plain decimal text.
QString PadImageNumber(int64_t number, int digits);

// The number edit's text read as an image number: blank-trimmed decimal digits with an optional
// sign, 0 for anything else and for numbers beyond the 64-bit range.
int64_t ParseImageNumber(QStringView text);

// The number after a successful save in number mode, wrapped as its padded text is.
int64_t NextImageNumber(int64_t number, int digits);

// ".jpg" when iImageExtension is 1, ".bmp" otherwise.
QString ImageExtension(int iImageExtension);

// The image folder with a trailing "/" (added when missing).
QString FolderPrefix(const QString& folder);

// folder + root + "_" + number text + extension.
QString BuildNumberedName(const QString& folder, const QString& root, const QString& numberText,
                          const QString& extension);
// folder + root + "_" + timecode with every ":" replaced by "." + extension.
QString BuildTimestampName(const QString& folder, const QString& root, const QString& timecode,
                           const QString& extension);

// What the root depends on.
struct RootInputs {
    bool fileLoaded = false;  // false while no file is loaded (the empty builder)
    QString filePath;         // the loaded file, with or without folder
    int iNomFichierImage = 0; // 0: the default root; otherwise the video file's name
    QString defaultRacine;
    bool limiterLongueur = false;
    int iRacineLength = 0; // the limit, in characters; a negative limit counts as 0
};

// The root after a naming setting changed: "Stillpick" without a file; the file name without
// folder and without its last extension (cut to the limit when set) in file-name mode; the
// default root otherwise. my.holiday.avi gives my.holiday.
QString UpdateRoot(const RootInputs& in);

// The root computed when a file is loaded: in file-name mode the name is cut at its first "."
// (my.holiday.avi gives my; a name without a dot gives an empty root), then to the limit when
// set; the default root otherwise. Used whether or not `in.fileLoaded` is set.
QString RootAtLoad(const RootInputs& in);

// The argument of "add_num": trimmed; when it is not empty and only decimal digits, the new
// number edit text (whose length is the new digit count, at most 20 used). Otherwise nothing:
// the number stays as it is ("12a", "", " ", "-3", "1.5").
std::optional<QString> ParseNumberingArgument(QStringView argument);

} // namespace sp::naming
