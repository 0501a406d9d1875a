#include "app/panels/action_layout.h"

#include <QMenu>

namespace sp {

namespace {

constexpr std::string_view kToolBar[] = {
    "saOpenFile",
    "saPaste",
    "saScript",
    "saVider",
    "",
    "saGrab",
    "saCopier",
    "taIntervalloShow",
    "",
    "tafullscreen",
    "taMute",
    "taIncruster",
    "taVertFlip",
    "taHorzFlip",
    "",
    "saExtraireFrame",
    "saSourcesFrame",
    "saDossiersFrame",
    "saIncrusterFrame",
    "saOptionsFrame",
    "saHelp",
    "saApropos",
    "",
    "taraccourcis",
    "acQuitter",
};

constexpr std::string_view kNavigation[] = {
    "saReculeTrack", "saReculeHigh",   "saReculeMedium", "saReculeLow",   "taPlayPause",
    "saAvanceLow",   "saAvanceMedium", "saAvanceHigh",   "saAvanceTrack",
};

constexpr std::string_view kVideoMenu[] = {
    "saGrab",
    "-",
    "tafullscreen",
    "taReduire",
    "-",
    "saForcerNone",
    "saForcerNative",
    "saForcer4x3",
    "saForcer16x9",
    "-",
    "taMute",
    "taIncruster",
    "taVertFlip",
    "taHorzFlip",
    "-",
    "taSliders",
    "-",
    ">Settings panel",
    "saSourcesFrame",
    "saDossiersFrame",
    "saExtraireFrame",
    "saIncrusterFrame",
    "saOptionsFrame",
    "saHelp",
    "saApropos",
    "<",
    "-",
    "acQuitter",
};

QAction* lookUp(const ActionLookup& find, std::string_view name) {
    return find ? find(QString::fromLatin1(name.data(), qsizetype(name.size()))) : nullptr;
}

} // namespace

std::span<const std::string_view> toolBarOrder() {
    return kToolBar;
}
std::span<const std::string_view> navigationOrder() {
    return kNavigation;
}
std::span<const std::string_view> videoMenuOrder() {
    return kVideoMenu;
}

QList<QAction*> toolBarItems(const ActionLookup& find) {
    QList<QAction*> items;
    for (std::string_view name : kToolBar) {
        if (name.empty())
            items.append(nullptr);
        else if (QAction* action = lookUp(find, name))
            items.append(action);
    }
    return items;
}

std::array<QAction*, 9> navigationActions(const ActionLookup& find) {
    std::array<QAction*, 9> actions{};
    static_assert(std::size(kNavigation) == 9);
    for (size_t i = 0; i < actions.size(); ++i)
        actions[i] = lookUp(find, kNavigation[i]);
    return actions;
}

void fillVideoMenu(QMenu& menu, const ActionLookup& find) {
    QMenu* target = &menu;
    for (std::string_view name : kVideoMenu) {
        if (name == "-")
            target->addSeparator();
        else if (name.front() == '>')
            target = menu.addMenu(
                QString::fromLatin1(name.substr(1).data(), qsizetype(name.size() - 1)));
        else if (name == "<")
            target = &menu;
        else if (QAction* action = lookUp(find, name))
            target->addAction(action);
    }
}

} // namespace sp
