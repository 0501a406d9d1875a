// stillpick-manpage: prints the manual page of stillpick (roff, man macros) on stdout. The list
// of commands comes from the action table the program itself reads, so the page lists exactly
// the switches and tokens the program understands. Run by the build; writes no file itself.

#include "settings/action_table.h"
#include "settings/program_info.h"

#include <QString>

#include <cstdio>
#include <string>

namespace {

using sp::TActionRow;

// Text made safe for roff: backslashes escaped, hyphens made real minus signs (so that copied
// options work), a line starting with a control character kept as text.
std::string Roff(const QString& text) {
    std::string out;
    for (const QChar c : text) {
        if (c == u'\\')
            out += "\\e";
        else if (c == u'-')
            out += "\\-";
        else
            out += QString(c).toStdString();
    }
    if (!out.empty() && (out[0] == '.' || out[0] == '\'')) out.insert(0, "\\&");
    return out;
}

std::string Roff(const char* utf8) {
    return Roff(QString::fromUtf8(utf8));
}

// "\fB+g\fR, \fB+grab\fR=\fIFILE\fR" with the argument, optional in brackets.
std::string Entry(const TActionRow& row) {
    std::string names;
    const QString switchName = QString::fromUtf8(row.Switch).toLower();
    const QString token = QString::fromUtf8(row.Token).toLower();
    if (!switchName.isEmpty()) names = "\\fB+" + Roff(switchName) + "\\fR";
    if (!token.isEmpty()) names += (names.empty() ? "" : ", ") + ("\\fB+" + Roff(token) + "\\fR");
    QString argument = QString::fromUtf8(row.Argument);
    if (argument.isEmpty()) return names;
    if (argument.startsWith(u'[')) // optional: "[N Frames|Seconds|Minutes]"
        return names + "[=\\fI" + Roff(argument.mid(1).chopped(1)) + "\\fR]";
    return names + "=\\fI" + Roff(argument) + "\\fR";
}

// What a command does; a two-state command also says what it does when switched off.
std::string Description(const TActionRow& row) {
    std::string text = Roff(QString::fromUtf8(row.Hint).simplified()) + ".";
    if (row.Kind == sp::TActionKind::TwoState && *row.CheckedHint)
        text += " Switching it off (\\fB\\-" +
                Roff(QString::fromUtf8(*row.Switch ? row.Switch : row.Token).toLower()) +
                "\\fR): " + Roff(QString::fromUtf8(row.CheckedHint).simplified()) + ".";
    if (*row.ShortCut) text += " Key: " + Roff(row.ShortCut) + ".";
    return text;
}

void PrintCommands() {
    for (const TActionRow& row : sp::ActionTable()) {
        if (!*row.Switch && !*row.Token) continue; // not reachable by name
        std::printf(".TP\n%s\n%s\n", Entry(row).c_str(), Description(row).c_str());
    }
}

const char* const kHead = R"(.SH NAME
stillpick \- take still images out of video files
.SH SYNOPSIS
.B stillpick
.RI [ \fB+\fR | \fB\-\fR | \fB/\fR ] NAME [= ARGUMENT ]...
.br
.B stillpick \-\-open
.I FILE
.br
.B stillpick
.BR \-\-help " | " \-\-version
.SH DESCRIPTION
.B stillpick
plays a video file and saves the frame on screen as a JPEG or BMP image, one at a time or at a
fixed interval, with an optional text inlaid into the picture.
.PP
Each parameter names a command by its switch or its token (in any case) and runs it once the
window is shown, in the order given.
The prefix is required: \fB+\fR switches a two\-state command on, \fB\-\fR switches it off,
\fB/\fR toggles it; for the other commands the three are alike.
The argument is everything after the first \fB=\fR, so quote the whole parameter when it holds
blanks.
\fB+quit\fR closes the program once the other commands have run.
.PP
A script file (\fB+script=\fIFILE\fR) holds the same commands, one a line, the prefix optional,
the argument after \fB=\fR or a blank and between double quotes when it holds blanks; a
two\-state command also takes \fBtrue\fR, \fBfalse\fR or \fBtoggle\fR.
.SH OPTIONS
.TP
.BI \-\-open " FILE"
Opens \fIFILE\fR as it is named: unlike \fB+open\fR, it does not read \fB*\fR, \fB?\fR or
\fB[\fR in the name as a pattern. This is the form the desktop menu and the file manager use; \fB\-\-open\fR
without a file is ignored.
.TP
.B \-\-help
Prints the usage with every command and exits.
.TP
.B \-\-version
Prints the version line and exits.
.SH COMMANDS
)";

const char* const kTail = R"(.SH FILES
.TP
.I $XDG_CONFIG_HOME/stillpick/
The settings, when the program is not in portable mode.
.TP
.I Stillpick.ini
The portable settings file, beside the program file; the program's folder must be writable.
.SH ENVIRONMENT
.TP
.B QT_QPA_PLATFORM=offscreen
Runs the program without a display, for scripts.
.SH EXAMPLES
Grab the frame at ten seconds of every MTS file of a folder, then quit:
.PP
.nf
.RS
stillpick "+open=$HOME/Videos/*.mts" +position=0:00:10:00 +grab +next +quit
.RE
.fi
)";

} // namespace

int main() {
    std::printf(".TH STILLPICK 1 \"\" \"%s\" \"User Commands\"\n",
                sp::ProgramTitle().toStdString().c_str());
    std::fputs(kHead, stdout);
    PrintCommands();
    std::fputs(kTail, stdout);
    return std::ferror(stdout) ? 1 : 0;
}
