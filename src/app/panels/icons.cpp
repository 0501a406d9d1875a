#include "app/panels/icons.h"

#include <QFile>
#include <QPixmap>

#include <array>
#include <string_view>

// The resource lives in this static library; nothing else references it, so it is registered
// by hand before its first use.
static void registerIconResource() {
    static const bool done = [] {
        Q_INIT_RESOURCE(icons);
        return true;
    }();
    (void)done;
}

namespace sp {

namespace {

struct IconRow {
    std::string_view action;
    std::string_view themeOff; // empty: the theme has no fitting name
    std::string_view themeOn;  // empty: one picture for both states
    std::string_view ownOff;
    std::string_view ownOn;
};

constexpr std::array<IconRow, 32> kIcons{{
    {"saOpenFile", "document-open", "", "open", ""},
    {"saPaste", "edit-paste", "", "paste", ""},
    {"saScript", "", "", "script", ""},
    {"saVider", "media-eject", "", "eject", ""},
    {"saGrab", "camera-photo", "", "grab", ""},
    {"saCopier", "edit-copy", "", "copy", ""},
    {"taIntervalloShow", "", "", "intervallo", ""},
    {"tafullscreen", "view-fullscreen", "view-restore", "fullscreen", "leave-fullscreen"},
    {"taMute", "audio-volume-high", "audio-volume-muted", "volume", "muted"},
    {"taIncruster", "", "", "inlay", "inlay-off"},
    {"taVertFlip", "object-flip-vertical", "", "flip-vertical", ""},
    {"taHorzFlip", "object-flip-horizontal", "", "flip-horizontal", ""},
    {"saExtraireFrame", "", "", "panel-grab", ""},
    {"saSourcesFrame", "", "", "panel-sources", ""},
    {"saDossiersFrame", "folder", "", "folder", ""},
    {"saIncrusterFrame", "", "", "panel-inlay", ""},
    {"saOptionsFrame", "preferences-system", "", "settings", ""},
    {"saHelp", "help-contents", "", "help", ""},
    {"saApropos", "help-about", "", "about", ""},
    {"taraccourcis", "input-keyboard", "", "shortcuts", ""},
    {"acQuitter", "application-exit", "", "quit", ""},
    {"taReduire", "", "", "reduce", ""},
    {"taSliders", "", "", "sliders", ""},
    {"saReculeTrack", "media-skip-backward", "", "scene-back", ""},
    {"saReculeHigh", "media-seek-backward", "", "minute-back", ""},
    {"saReculeMedium", "", "", "second-back", ""},
    {"saReculeLow", "", "", "frame-back", ""},
    {"taPlayPause", "media-playback-start", "media-playback-pause", "play", "pause"},
    {"saAvanceLow", "", "", "frame-forward", ""},
    {"saAvanceMedium", "", "", "second-forward", ""},
    {"saAvanceHigh", "media-seek-forward", "", "minute-forward", ""},
    {"saAvanceTrack", "media-skip-forward", "", "scene-forward", ""},
}};

const IconRow* rowFor(const QString& action) {
    for (const IconRow& row : kIcons)
        if (action == QLatin1String(row.action.data(), qsizetype(row.action.size()))) return &row;
    return nullptr;
}

QString resourcePath(std::string_view name) {
    return QStringLiteral(":/icons/%1.svg").arg(QLatin1String(name.data(), qsizetype(name.size())));
}

QString text(std::string_view name) {
    return QString::fromLatin1(name.data(), qsizetype(name.size()));
}

QIcon ownIcon(const IconRow& row) {
    registerIconResource();
    QIcon icon(resourcePath(row.ownOff));
    if (!row.ownOn.empty())
        icon.addFile(resourcePath(row.ownOn), QSize(), QIcon::Normal, QIcon::On);
    return icon;
}

// The theme's pictures, both states in one icon; null unless the theme has every one needed.
QIcon themeIcon(const IconRow& row) {
    if (row.themeOff.empty() || !QIcon::hasThemeIcon(text(row.themeOff))) return {};
    const QIcon off = QIcon::fromTheme(text(row.themeOff));
    if (row.themeOn.empty()) return off;
    if (!QIcon::hasThemeIcon(text(row.themeOn))) return {};
    const QIcon on = QIcon::fromTheme(text(row.themeOn));
    QIcon both;
    for (int size : {16, 20, 22, 24, 32, 48}) {
        both.addPixmap(off.pixmap(size), QIcon::Normal, QIcon::Off);
        both.addPixmap(on.pixmap(size), QIcon::Normal, QIcon::On);
    }
    return both;
}

} // namespace

QIcon actionIcon(const QString& actionName) {
    const IconRow* row = rowFor(actionName);
    if (!row) return {};
    QIcon icon = themeIcon(*row);
    return icon.isNull() ? ownIcon(*row) : icon;
}

QIcon maxSpeedPlayIcon() {
    registerIconResource();
    return QIcon(":/icons/play-maxspeed.svg");
}

QIcon noVideoPlayIcon() {
    registerIconResource();
    return QIcon(":/icons/play-novideo.svg");
}

QPixmap placeholderPicture() {
    registerIconResource();
    return QIcon(":/icons/placeholder.svg").pixmap(QSize(160, 120));
}

bool hasBuiltInIcon(const QString& actionName) {
    registerIconResource();
    const IconRow* row = rowFor(actionName);
    if (!row) return false;
    return QFile::exists(resourcePath(row->ownOff)) &&
           (row->ownOn.empty() || QFile::exists(resourcePath(row->ownOn)));
}

} // namespace sp
