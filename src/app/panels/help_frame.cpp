#include "app/panels/help_frame.h"

#include "app/panels/drop_area.h"
#include "filters/filter_environment.h"
#include "platform/system/shell_ops.h"
#include "ui/link_edit.h"
#include "ui/program_addresses.h"
#include "ui/text_gauge.h"

#include <QFile>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QTabWidget>
#include <QTextEdit>
#include <QVBoxLayout>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <utility>

namespace sp {

namespace {

constexpr int kCpuIntervalMs = 500;
constexpr int kFreeSpaceIntervalMs = 2000;
constexpr qsizetype kLongestDroppedName = 65530;

bool offscreen() {
    return QGuiApplication::platformName() == u"offscreen";
}

bool askWithMessageBox(QWidget* owner, const QString& question) {
    if (offscreen()) {
        std::fprintf(stderr, "%s (offscreen, no one to answer: No, the default)\n",
                     qPrintable(question));
        return false;
    }
    return QMessageBox::question(owner, QStringLiteral("Stillpick"), question,
                                 QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

void tellWithMessageBox(QWidget* owner, const QString& message) {
    if (offscreen()) {
        std::fprintf(stderr, "%s\n", qPrintable(message));
        return;
    }
    QMessageBox::information(owner, QStringLiteral("Stillpick"), message);
}

QLabel* wrappedLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    return label;
}

TTextGauge* pieGauge(QWidget* parent) {
    auto* gauge = new TTextGauge(parent);
    gauge->SetGaugeKind(gkPie);
    gauge->setFixedSize(96, 96);
    return gauge;
}

} // namespace

THelpFrame::THelpFrame(QWidget* parent) : TSidePanel("Help", parent), pages_(new QTabWidget(this)) {
    pages_->setObjectName("PageControl1");
    pages_->addTab(makeHelpTab(), QStringLiteral("Help"));
    pages_->addTab(makeCpuTab(), QStringLiteral("CPU"));
    pages_->addTab(makeInstallTab(), QStringLiteral("install"));
    pages_->setMinimumHeight(400);
    body()->addWidget(pages_, 1);

    AskYesNo = [this](const QString& question) { return askWithMessageBox(this, question); };
    Tell = [this](const QString& message) { tellWithMessageBox(this, message); };

    cpuTimer_.setInterval(kCpuIntervalMs);
    freeSpaceTimer_.setInterval(kFreeSpaceIntervalMs);
    connect(&cpuTimer_, &QTimer::timeout, this, &THelpFrame::SampleProcessorLoad);
    connect(&freeSpaceTimer_, &QTimer::timeout, this, &THelpFrame::RefreshFreeSpace);
    connect(pages_, &QTabWidget::currentChanged, this, &THelpFrame::updateTimers);
    connectLinks();
    InitHelp();
}

QWidget* THelpFrame::makeHelpTab() {
    auto* page = new QWidget;
    linkEdit1_ = new TLinkEdit(page);
    linkEdit1_->setObjectName("LinkEdit1");
    linkEdit1_->UseInternalCursor = true;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(linkEdit1_);
    return page;
}

QWidget* THelpFrame::makeCpuTab() {
    auto* page = new QWidget;
    tgImage_ = pieGauge(page);
    tgImage_->setObjectName("tgImage");
    tgImage_->SetCustomText(true);
    tgImage_->SetMinValue(0);
    // The figure is the free space: under 100 Mb it shows in the alert colour.
    tgImage_->SetTextKind(tkPercentRemaining);
    tgImage_->SetAlertValue(100);
    tgImage_->setToolTip(QStringLiteral("Free space on the drive where the images are saved."));
    tgCPU_ = pieGauge(page);
    tgCPU_->setObjectName("tgCPU");
    tgCPU_->SetTextKind(tkPercentDone);
    tgCPU_->SetAlertValue(81);
    tgCPU_->setToolTip(QStringLiteral("Load of the busiest processor"));
    labEspaceLibre_ = new QLabel(FreeSpaceLabel(0).c_str(), page);
    labEspaceLibre_->setObjectName("labEspaceLibre");
    labAverage_ = new QLabel(QString::fromStdString(averages_.text()), page);
    labAverage_->setObjectName("labAverage");
    labAverage_->setToolTip(QStringLiteral("Average load of the last 8 seconds - average of "
                                           "those averages"));
    reFiltres_ = new QTextEdit(page);
    reFiltres_->setObjectName("reFiltres");
    reFiltres_->setReadOnly(true);
    reFiltres_->setFont(QFont(QStringLiteral("Arial"), 8));

    auto* grid = new QGridLayout;
    // Each heading centred over its pie and kept at the top of its row, so a heading that wraps
    // in a narrow panel does not push the other one down.
    for (const auto& [text, column] : {std::pair{QStringLiteral("Free space for pictures:"), 0},
                                       std::pair{QStringLiteral("Processor load:"), 1}}) {
        QLabel* heading = wrappedLabel(text, page);
        heading->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        grid->addWidget(heading, 0, column);
    }
    grid->addWidget(tgImage_, 1, 0, Qt::AlignHCenter);
    grid->addWidget(tgCPU_, 1, 1, Qt::AlignHCenter);
    grid->addWidget(labEspaceLibre_, 2, 0, Qt::AlignHCenter);
    grid->addWidget(labAverage_, 2, 1, Qt::AlignHCenter);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(grid);
    layout->addSpacing(4);
    layout->addWidget(reFiltres_, 1);
    return page;
}

QWidget* THelpFrame::makeInstallTab() {
    auto* page = new QWidget;
    memoIns_ = new TDropArea(QStringLiteral("install"), QColor(0x00, 0x80, 0x00), page);
    memoIns_->setObjectName("MemoIns");
    memoIns_->setToolTip(QStringLiteral("Drag a file (generally with extension ax)\n"
                                        "to install the filters contained in it."));
    memoDes_ = new TDropArea(QStringLiteral("Uninstall"), QColor(0x80, 0x00, 0x00), page);
    memoDes_->setObjectName("MemoDes");
    memoDes_->setToolTip(QStringLiteral("Drag a file (genrally with extension ax)\n"
                                        "to uninstall the filters contained in it."));
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(4, 8, 4, 4);
    layout->addWidget(wrappedLabel(
        QStringLiteral("Drag a file on the panel\nto install the filters contained in it."), page));
    layout->addWidget(memoIns_);
    layout->addSpacing(16);
    layout->addWidget(wrappedLabel(
        QStringLiteral("Drag a file on the panel\nti uninstall the filters contained in it"),
        page));
    layout->addWidget(memoDes_);
    layout->addStretch(1);
    connect(memoIns_, &TDropArea::FilesDropped, this, &THelpFrame::InstallFiles);
    connect(memoDes_, &TDropArea::FilesDropped, this, &THelpFrame::UninstallFiles);
    return page;
}

void THelpFrame::connectLinks() {
    connect(linkEdit1_, &TLinkEdit::CustomLinkClick, this, [this](const QString& link) {
        if (link == u"F11") emit ShortcutsLinkClicked();
        if (link == u"Filtres") pages_->setCurrentIndex(tabInstall);
    });
    connect(linkEdit1_, &TLinkEdit::UrlClick, this,
            [](const QString& link) { OpenDocument(link); });
    connect(
        linkEdit1_, &TLinkEdit::CustomLinkHint, this,
        [](const QString& link, QString* hint) {
            if (link == u"F11") *hint = QStringLiteral("Click to display the list of shortcuts");
            if (link == u"Filtres") *hint = QStringLiteral("Click to open the tab \"Filters\"");
        },
        Qt::DirectConnection);
    connect(
        linkEdit1_, &TLinkEdit::UrlHint, this,
        [](const QString& link, QString* hint) {
            *hint = QStringLiteral("Click to open the site %1\nin your default browser").arg(link);
        },
        Qt::DirectConnection);
}

QString THelpFrame::HelpMarkup() {
    return QStringLiteral(
               "<Size 12><b><color Maroon>Help about %1</color></b></size><br><br><Size 8><i>To "
               "get explanations about the functions of <b>%1</b>, visit my help pages about "
               "<b>%1</b> on <url %2>my web site</url>.<br><br>To know the list of keyboard "
               "shortcuts and tokens for script, type F11 or <link F11>click here</link>.<br><br>"
               "To install a filter, eg the Haali Media Splitter, drop a file *.ax on the panel "
               "Install, under <link Filtres>tabFilters</link>.<br><br>")
               .arg(QStringLiteral("Stillpick"), kProgramWebAddress) +
           "</i></Size>";
}

void THelpFrame::InitHelp() {
    linkEdit1_->SetRichText(HelpMarkup());
    memoIns_->setAcceptDrops(true);
    memoDes_->setAcceptDrops(true);
}

void THelpFrame::SetImageFolder(const QString& folder) {
    imageFolder_ = folder;
    RefreshFreeSpace();
}

void THelpFrame::Refresh() {
    RefreshFreeSpace();
    SampleProcessorLoad();
}

void THelpFrame::RefreshFreeSpace() {
    ShowFreeSpace(FreeSpaceOf(QFile::encodeName(imageFolder_).toStdString()));
}

void THelpFrame::ShowFreeSpace(const VolumeSpace& space) {
    const int total = int(std::clamp<int64_t>(space.totalMb, 1, INT_MAX));
    tgImage_->SetMaxValue(total);
    tgImage_->SetProgress(int(std::clamp<int64_t>(space.freeMb, 0, total)));
    tgImage_->SetCaption(QString::fromStdString(FreeSpaceCaption(space.freeMb)));
    labEspaceLibre_->setText(QString::fromStdString(FreeSpaceLabel(space.freeMb)));
}

void THelpFrame::SampleProcessorLoad() {
    ShowProcessorLoad(sampler_.sample());
}

void THelpFrame::ShowProcessorLoad(int busiestLoad) {
    tgCPU_->SetProgress(busiestLoad);
    averages_.add(busiestLoad);
    labAverage_->setText(QString::fromStdString(averages_.text()));
}

void THelpFrame::StopTimers() {
    cpuTimer_.stop();
    freeSpaceTimer_.stop();
}

void THelpFrame::updateTimers() {
    if (isVisible() && pages_->currentIndex() == tabCPU) {
        if (!cpuTimer_.isActive()) cpuTimer_.start();
        if (!freeSpaceTimer_.isActive()) freeSpaceTimer_.start();
    } else {
        StopTimers();
    }
}

void THelpFrame::showEvent(QShowEvent* event) {
    TSidePanel::showEvent(event);
    updateTimers();
}

void THelpFrame::hideEvent(QHideEvent* event) {
    TSidePanel::hideEvent(event);
    StopTimers();
}

void THelpFrame::ClearFiltersText() {
    reFiltres_->clear();
}

void THelpFrame::InstallFiles(const QStringList& paths) {
    runFilterFiles(paths, true);
}

void THelpFrame::UninstallFiles(const QStringList& paths) {
    runFilterFiles(paths, false);
}

void THelpFrame::runFilterFiles(const QStringList& paths, bool install) {
    const QString question = install
                                 ? QStringLiteral("Do you really want to install the file %1?")
                                 : QStringLiteral("Do you really want to uninstall the file %1?");
    for (const QString& path : paths) {
        if (path.size() > kLongestDroppedName || !AskYesNo(question.arg(path))) continue;
        const std::filesystem::path file = QFile::encodeName(path).toStdString();
        const bool ok = install ? RegisterFilterFile(file) : UnregisterFilterFile(file);
        if (ok) emit FilterFilesChanged();
        Tell(ok        ? QStringLiteral("Operation successful")
             : install ? QStringLiteral("Opeartion failed")
                       : QStringLiteral("Operation failed"));
    }
}

} // namespace sp
