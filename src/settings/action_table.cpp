#include "settings/action_table.h"

#include <array>
#include <stdexcept>

namespace sp {
namespace {

constexpr TActionKind P = TActionKind::Plain;
constexpr TActionKind T = TActionKind::TwoState;

// clang-format off
// Name, kind, category, caption, checked caption, shortcut, secondary shortcut, switch, token,
// auto-check, hint, checked hint, script argument.
constexpr std::array<TActionRow, kActionCount> kRows = {{
    {"saGrab", P, "action", "Grab!©", "", "F5", "Ctrl+G", "g", "grab", false,
     "Grab the current frame and save it as an image under the next name", "", ""},
    {"tafullscreen", T, "action", "Put Full screen", "Leave Full screen", "Alt+Enter", "", "fs", "full_screen", false,
     "Show the video on the whole screen", "Leave the full screen and show the window again", ""},
    {"saOptionsFrame", P, "frame", "Settings panel", "", "F10", "Alt+O", "op", "options_page", false,
     "Show the Settings panel", "", ""},
    {"saDossiersFrame", P, "frame", "Folders panel", "", "Alt+F", "", "fp", "folder_page", false,
     "Show the Folders panel: where the images go and how they are named", "", ""},
    {"saExtraireFrame", P, "frame", "Grab panel", "", "Alt+G", "", "gp", "grab_page", false,
     "Show the Grab panel with the last image taken", "", ""},
    {"saIncrusterFrame", P, "frame", "Inlay panel", "", "Alt+I", "", "ip", "inlay_page", false,
     "Show the Inlay panel: the text written into the pictures", "", ""},
    {"acQuitter", P, "general", "Quit", "", "Alt+F4", "Ctrl+Q", "q", "Quitter", false,
     "Close the program", "", ""},
    {"saApropos", P, "frame", "About panel...", "", "Alt+A", "", "ap", "about_page", false,
     "Show the About panel", "", ""},
    {"saJpgOption", P, "Frames", "Jpg", "", "Ctrl+J", "", "j", "jpeg", false,
     "Save the images as JPEG files", "", "QUALITY (1 to 100)"},
    {"saBmpOption", P, "Frames", "Bmp", "", "Ctrl+B", "", "b", "bmp", false,
     "Save the images as BMP files", "", ""},
    {"saBasculerPanneau", P, "frame", "Mirror the window", "", "Alt+W", "", "mr", "mirror", false,
     "Swap the video and the panels, left and right", "", ""},
    {"saNextPanneau", P, "frame", "Next panel", "", "F6", "Alt+N", "np", "next_page", false,
     "Show the next side panel", "", ""},
    {"saHelp", P, "frame", "Help panel", "", "F1", "Alt+H", "hp", "help_page", false,
     "Show the Help panel with the diagnostics", "", ""},
    {"saSourcesFrame", P, "frame", "Sources panel", "", "F2", "Alt+S", "xp", "sources_page", false,
     "Show the Sources panel: the video and audio streams of the file", "", ""},
    {"taVertFlip", T, "action", "Flip the image  top<=>bottom", "Restore the image (top/bottom)", "F4", "", "vf", "vertical_flip", false,
     "Turn the picture upside down", "Show the picture the right way up again", ""},
    {"saIncVolume", P, "action", "Increase the volume", "", "", "", "iv", "inc_volume", false,
     "Turn the sound up", "", ""},
    {"saDecVolume", P, "action", "Decrease the volume", "", "", "Alt+M", "dv", "dec_volume", false,
     "Turn the sound down", "", ""},
    {"taHorzFlip", T, "action", "Flip horizontally", "Restore the image (flip horizontal)", "F3", "", "hf", "horizontal_flip", false,
     "Mirror the picture left to right", "Show the picture unmirrored again", ""},
    {"taraccourcis", T, "general", "Display the shortcuts", "Hide the shortcuts", "F11", "", "sc", "Shortcuts", false,
     "Show the list of the commands with their keys and script names", "Hide the list of the commands", ""},
    {"taDecalage", T, "incrust", "time difference", "time difference", "Ctrl+A", "", "dh", "decalage", true,
     "Show the time difference added to the inlaid dates", "Hide the time difference of the inlaid dates", ""},
    {"taIncruster", T, "action", "Inlay", "Stop Inlay", "F12", "", "in", "inlay", false,
     "Write the inlay text into the pictures", "Stop writing the inlay text into the pictures", ""},
    {"saPerso2", P, "incrust", "Format Perso2©", "", "", "", "p2", "perso2", false,
     "Set the second personal template of the inlay", "", "TEMPLATE"},
    {"taMute", T, "action", "Turn sound off", "Turn sound on", "Ctrl+M", "", "m", "mute", true,
     "Silence the sound", "Play the sound again at the set volume", ""},
    {"saForcerNone", P, "action", "Image normal", "", "Alt+F5", "", "rn", "ratio_normal", false,
     "Show the picture with the shape the stream gives", "", ""},
    {"saForcer16x9", P, "action", "force 16x9", "", "Alt+F7", "", "rw", "ratio_16x9", false,
     "Show and save the picture as 16:9", "", ""},
    {"saForcer4x3", P, "action", "force 4x3", "", "Alt+F6", "", "rs", "ratio_4x3", false,
     "Show and save the picture as 4:3", "", ""},
    {"saForcerNative", P, "action", "Image native", "", "Alt+F8", "", "rf", "ratio_native", false,
     "Show and save the picture with its stored pixel size", "", ""},
    {"saScript", P, "general", "Launch script", "", "Ctrl+S", "", "s", "script", false,
     "Run the commands of a script file", "", "FILE"},
    {"taImagesDeinterlacer", T, "Settings", "Deinterlace the pictures", "Do not deinterlace", "Ctrl+D", "", "d", "deinterlace", true,
     "Deinterlace the images before they are saved", "Save the images as they are, without deinterlacing", ""},
    {"taPlayPause", T, "Nav", "Play", "Stop", "Space", "", "pp", "play_pause", false,
     "Play the video", "Pause the video", ""},
    {"saOpenFile", P, "general", "Open a file", "", "Ctrl+O", "", "o", "open", false,
     "Open a video file; from a script, the first file matching a name with * and ?", "", "PATH"},
    {"taConfirmerImages", T, "Settings", "Ask for a confirmation", "Do not ask", "Ctrl+Z", "", "z", "confirm", true,
     "Ask before an existing image is replaced", "Replace existing images without asking", ""},
    {"saPaste", P, "general", "Paste", "", "Ctrl+V", "", "v", "Paste", false,
     "Open the first file copied to the clipboard", "", ""},
    {"saReculeMedium", P, "Nav", "backwards of a second", "", "Ctrl+Down", "", "sb", "second_back", false,
     "Go back one second", "", ""},
    {"saReculeLow", P, "Nav", "Move back one frame", "", "Ctrl+Left", "", "fb", "frame_back", false,
     "Go back one frame", "", ""},
    {"saReculeHigh", P, "Nav", "backwards of a minute", "", "Ctrl+PageDown", "", "mb", "minute_back", false,
     "Go back one minute", "", ""},
    {"saReculeTrack", P, "Nav", "Previous scene", "", "F8", "Ctrl+F8", "tb", "track_back", false,
     "Go to the start of the previous scene", "", ""},
    {"saAvanceLow", P, "Nav", "Move forward one frame", "", "Ctrl+Right", "", "ff", "frame_forward", false,
     "Go forward one frame", "", ""},
    {"saAvanceMedium", P, "Nav", "Move forward one second", "", "Ctrl+Up", "", "sf", "second_forward", false,
     "Go forward one second", "", ""},
    {"saAvanceHigh", P, "Nav", "advance of a minute", "", "Ctrl+PageUp", "", "mf", "minute_forward", false,
     "Go forward one minute", "", ""},
    {"saAvanceTrack", P, "Nav", "Next scene", "", "F9", "Ctrl+F9", "tf", "track_forward", false,
     "Go to the start of the next scene", "", ""},
    {"saVider", P, "general", "Empty", "", "Ctrl+X", "", "x", "vide", false,
     "Close the video file", "", ""},
    {"saCopier", P, "action", "Copy", "", "Ctrl+C", "", "c", "copy", false,
     "Grab the current frame and copy it to the clipboard", "", ""},
    {"taIntervalloShow", T, "frame", "Display the intervalometer", "Hide the intervalometer", "Alt+J", "", "si", "show_intervallo", true,
     "Show the intervalometer bar", "Hide the intervalometer bar", ""},
    {"taIntervalloGo", T, "action", "Start the intervalometer", "Stop intervalometer", "Ctrl+I", "", "i", "intervallo", true,
     "Grab images at a fixed interval while the video plays", "Stop grabbing images at an interval", "[N Frames|Seconds|Minutes]"},
    {"taVitesseMaxi", T, "Nav", "Maximum speed", "Maximum speed", "Ctrl+H", "", "h", "speed_max", true,
     "Play as fast as possible, without sound", "Play at the normal speed again", ""},
    {"taModePrecision", T, "action", "Precision mode", "Precision mode", "Ctrl+P", "", "p", "precision", true,
     "Let the intervalometer grab each exact frame while playing", "Let the intervalometer grab while seeking", ""},
    {"taSliders", T, "frame", "Display sliders to set position of inlay", "Hide sliders of inlay", "Alt+Y", "", "ss", "sliders", true,
     "Show the sliders that place the inlay text", "Hide the sliders that place the inlay text", ""},
    {"saIncrustReel", P, "incrust", "Real date", "", "Ctrl+R", "", "r", "inlay_real", false,
     "Inlay today's date and time", "", ""},
    {"saIncrustPerso", P, "incrust", "Perso", "", "Ctrl+U", "", "u", "inlay_perso", false,
     "Inlay the personal templates", "", ""},
    {"saIncrustTimecode", P, "incrust", "Timecode", "", "Ctrl+T", "", "t", "inlay_timecode", false,
     "Inlay the recorded timecode", "", ""},
    {"saIncrustDatecode", P, "incrust", "Datecode", "", "Ctrl+K", "", "k", "inlay_datecode", false,
     "Inlay the recording date of the frame", "", ""},
    {"saIncrustNeant", P, "incrust", "Nothing", "", "Ctrl+N", "", "n", "inlay_none", false,
     "Inlay nothing", "", ""},
    {"saOuvrirDossierImages", P, "Orvane", "Open the images folder", "", "Ctrl+F", "", "f", "folder", false,
     "Show the images folder in the file browser", "", ""},
    {"taReduire", T, "frame", "Reduce", "Restore", "Alt+Backspace", "", "rr", "reduce", true,
     "Reduce the window to the video", "Show the whole window again", ""},
    {"saAbort", P, "general", "Abort", "", "Esc", "", "a", "Interrompre", false,
     "Stop the script, the grabs and the intervalometer; leave the full screen", "", ""},
    {"saIncrustNumero", P, "incrust", "Number", "", "Ctrl+W", "", "w", "inlay_number", false,
     "Inlay the image number", "", ""},
    {"saIncrustTimeStamp", P, "incrust", "TimeStamp", "", "Ctrl+Shift+T", "", "ts", "inlay_timestamp", false,
     "Inlay the position in the video", "", ""},
    {"saBouclerScript", P, "Script", "Loop Script", "", "", "", "+", "next", false,
     "In a script: open the next file matching the opened pattern\nand go back to the command after the opening", "", ""},
    {"saPosition", P, "script", "Goto", "", "", "", ">", "position", false,
     "In a script: go to the time given as hours:minutes:seconds:frames", "", "H:M:S:F"},
    {"saDossierDest", P, "Frames", "Destination Folder", "", "", "", "df", "dest_folder", false,
     "Set the folder the images are saved in", "", "FOLDER"},
    {"taTraiterErreurs", T, "Settings", "Display errors", "Ignore Errors", "Ctrl+E", "", "e", "show_errors", true,
     "Report the errors met while opening files", "Keep quiet about the errors met while opening files", ""},
    {"saWait", P, "script", "Wait", "", "", "", "wt", "wait", false,
     "In a script: wait, doing nothing, for the given milliseconds", "", "MILLISECONDS"},
    {"taSauverQuandClic", T, "Settings", "Save image when click", "Do not save when click", "", "", "ei", "save_click", true,
     "Grab and save an image when the video is clicked", "Do nothing when the video is clicked", ""},
    {"taMTSVitesseMaxi", T, "Settings", "Play MTS in maximum speed", "Ne pas lire MTS en vitesse Maxi", "", "", "mx", "mts_maxspeed", true,
     "Play MTS and M2TS files at maximum speed", "Play MTS and M2TS files at the normal speed", ""},
    {"taParametrerFiltres", T, "Settings", "Customize filters", "Do not customize filters", "", "", "pf", "param_filters", true,
     "Adjust the splitter and decoder settings when the program starts", "Leave the splitter and decoder settings alone", ""},
    {"taForcerDecodeur", T, "Settings", "Force the decoder", "Ne pas forcer le décodeur©", "", "", "fd", "forced_decoder", true,
     "Decode MPEG with the decoders chosen in the Settings panel", "Let the system choose the MPEG decoders", ""},
    {"saPreferences", P, "Settings", "Save Preferences", "", "", "", "sp", "save_prefs", false,
     "Choose where the settings are saved", "", "registry|portable|none"},
    {"saRacine", P, "Frames", "Use root", "", "", "", "rc", "rootname", false,
     "Name the images from the root name", "", "[ROOT]"},
    {"saNomFichier", P, "Frames", "Use filename", "", "", "", "fn", "filename", false,
     "Name the images from the video file's name", "", "[MAXIMUM LENGTH]"},
    {"saTimestamp", P, "Frames", "Add timestamp", "", "", "", "ad", "add_time", false,
     "End the image names with the position in the video", "", ""},
    {"saNumeroter", P, "Frames", "Add a Number", "", "", "", "an", "add_num", false,
     "End the image names with a running number", "", "[START NUMBER]"},
    {"saIncrustFont", P, "incrust", "Inlay font", "", "", "", "if", "inlay_font", false,
     "Choose the font of the inlay text", "", "FONT NAME"},
    {"taFontsize", P, "incrust", "Font size", "", "", "", "is", "inlay_size", false,
     "Set the size of the inlay text", "", "SIZE|auto"},
    {"taBold", T, "incrust", "Bold", "", "", "", "ib", "inlay_bold", true,
     "Write the inlay text in bold", "Write the inlay text without bold", ""},
    {"taItalic", T, "incrust", "Italic", "Cancel Italic", "", "", "ii", "inlay_italic", true,
     "Write the inlay text in italics", "Write the inlay text upright", ""},
    {"taUnderlined", T, "incrust", "Underlined", "Cancel underline", "", "", "", "", true,
     "Underline the inlay text", "Stop underlining the inlay text", ""},
    {"saFontColor", P, "incrust", "Couleur d'incrustation", "", "", "", "ic", "inlay_color", false,
     "Choose the colour of the inlay text", "", "COLOUR"},
    {"saBorderSize", P, "incrust", "Border", "", "", "", "bs", "Border Size", false,
     "Set the width of the border around the inlay text", "", "SIZE"},
    {"saAlignerGauche", P, "incrust", "Align Left", "", "", "", "al", "align_left", false,
     "Align the inlay text on the left", "", ""},
    {"saAlignerDroite", P, "incrust", "Aligner Right", "", "", "", "ar", "align_right", false,
     "Align the inlay text on the right", "", ""},
    {"saAlignCentre", P, "incrust", "Align Center", "", "", "", "ac", "align_center", false,
     "Centre the inlay text", "", ""},
    {"saAlignSousTitre", P, "incrust", "Align Sutitles", "", "", "", "as", "align_subtitles", false,
     "Place the inlay text like subtitles", "", ""},
    {"saFormatDatecode1", P, "incrust", "Format Datecode1©", "", "", "", "d1", "datecode1", false,
     "Set the format of the first inlaid date", "", "DATE FORMAT"},
    {"saFormatDatecode2", P, "incrust", "Format Datecode2©", "", "", "", "d2", "datecode2", false,
     "Set the format of the second inlaid date", "", "DATE FORMAT"},
    {"saPerso1", P, "incrust", "Format Perso1©", "", "", "", "p1", "perso1", false,
     "Set the first personal template of the inlay", "", "TEMPLATE"},
    // The still formats beyond JPEG and BMP, after the 86 described actions.
    {"saPngOption", P, "Frames", "Png", "", "", "", "pn", "png", false,
     "Save the images as PNG files (lossless)", "", ""},
    {"saWebpOption", P, "Frames", "WebP", "", "", "", "wp", "webp", false,
     "Save the images as WebP files; quality 100 is lossless", "", "QUALITY (1 to 100)"},
    {"saJxlOption", P, "Frames", "Jxl", "", "", "", "jx", "jxl", false,
     "Save the images as JPEG XL files; quality 100 is lossless", "", "QUALITY (1 to 100)"},
    {"saAvifOption", P, "Frames", "Avif", "", "", "", "av", "avif", false,
     "Save the images as AVIF files; quality 100 is lossless", "", "QUALITY (1 to 100)"},
    // Finding the best frame.
    {"saGrabSharpest", P, "action", "Grab the sharpest frame nearby", "", "Shift+F5", "", "gs", "grab_sharpest", false,
     "Go to the sharpest of the frames around the current one and grab it", "", "[RADIUS IN FRAMES]"},
    {"taFilmstrip", T, "frame", "Show the filmstrip", "Hide the filmstrip", "Ctrl+L", "", "st", "filmstrip", false,
     "Show the neighbouring frames in a strip under the video", "Hide the strip of the neighbouring frames", ""},
}};
// clang-format on

QString Utf8(const char* text) {
    return QString::fromUtf8(text);
}

QStringList SecondaryOf(const TActionRow& row) {
    return *row.Secondary ? QStringList{Utf8(row.Secondary)} : QStringList{};
}

} // namespace

std::span<const TActionRow> ActionTable() {
    return kRows;
}

TCustomSuperAction* MakeAction(const TActionRow& row, QObject* parent) {
    TCustomSuperAction* action = nullptr;
    if (row.Kind == TActionKind::TwoState) {
        auto* toggle = new TtoggleAction(parent);
        toggle->FalseCaption = Utf8(row.Caption);
        toggle->TrueCaption = Utf8(row.CheckedCaption);
        toggle->FalseHint = Utf8(row.Hint);
        toggle->TrueHint = Utf8(row.CheckedHint);
        action = toggle;
    } else {
        action = new TSuperAction(parent);
    }
    action->setObjectName(Utf8(row.Name));
    action->SetCategory(Utf8(row.Category));
    action->SetCaption(Utf8(row.Caption));
    action->SetHint(Utf8(row.Hint));
    action->SetShortCut(TextToShortCut(Utf8(row.ShortCut)));
    action->SetSecondaryShortcuts(SecondaryOf(row));
    action->SetSwitch(Utf8(row.Switch));
    action->SetToken(Utf8(row.Token));
    action->SetAutoCheck(row.AutoCheck);
    return action;
}

TActionList::TActionList(QObject* parent) : TActionList(ActionTable(), parent) {}

TActionList::TActionList(std::span<const TActionRow> rows, QObject* parent) : QObject(parent) {
    actions_.reserve(rows.size());
    for (const TActionRow& row : rows)
        Add(MakeAction(row, this));
}

QList<QAction*> TActionList::QActions() const {
    return QList<QAction*>(actions_.begin(), actions_.end());
}

TCustomSuperAction* TActionList::Find(QAnyStringView name) const {
    return byName_.value(name.toString(), nullptr);
}

TSuperAction* TActionList::Plain(QAnyStringView name) const {
    return qobject_cast<TSuperAction*>(Find(name));
}

TtoggleAction* TActionList::Toggle(QAnyStringView name) const {
    return qobject_cast<TtoggleAction*>(Find(name));
}

TCustomSuperAction& TActionList::Require(QAnyStringView name) const {
    TCustomSuperAction* action = Find(name);
    if (!action) throw std::invalid_argument("no action named " + name.toString().toStdString());
    return *action;
}

void TActionList::OnExecute(QAnyStringView name, TNotifyEvent handler) {
    auto* plain = qobject_cast<TSuperAction*>(&Require(name));
    if (!plain)
        throw std::invalid_argument(name.toString().toStdString() + " is a two-state action");
    plain->Onexecute = std::move(handler);
}

void TActionList::OnSwitch(QAnyStringView name, TNotifyEvent uncheckedHandler,
                           TNotifyEvent checkedHandler) {
    auto* toggle = qobject_cast<TtoggleAction*>(&Require(name));
    if (!toggle)
        throw std::invalid_argument(name.toString().toStdString() + " is a one-state action");
    toggle->OnfalseExecute = std::move(uncheckedHandler);
    toggle->OnTrueExecute = std::move(checkedHandler);
}

void TActionList::OnPrepare(QAnyStringView name, TNotifyEvent handler) {
    Require(name).Onprepare = std::move(handler);
}

void TActionList::OnImageChanged(const TImageChangedEvent& handler) {
    for (TCustomSuperAction* action : actions_)
        action->OnImageChanged = handler;
}

QStringList TActionList::Unbound() const {
    QStringList names;
    for (TCustomSuperAction* action : actions_) {
        const auto* toggle = qobject_cast<TtoggleAction*>(action);
        const bool bound =
            toggle ? (toggle->OnfalseExecute || toggle->OnTrueExecute) : action->HasHandler();
        if (!bound) names.append(action->objectName());
    }
    return names;
}

void TActionList::Add(TCustomSuperAction* action) {
    const QString name = action->objectName();
    if (byName_.contains(name))
        throw std::invalid_argument("a second action named " + name.toStdString());
    action->setParent(this);
    actions_.push_back(action);
    byName_.insert(name, action);
}

void AssignStartupShortcuts(TActionList& list) {
    if (TCustomSuperAction* up = list.Find("saIncVolume")) {
        up->SetShortCut(TextToShortCut(u"Num +"));
        up->AddSecondaryShortcut(QStringLiteral("Alt+P"));
    }
    if (TCustomSuperAction* down = list.Find("saDecVolume"))
        down->SetShortCut(TextToShortCut(u"Num -"));
}

} // namespace sp
