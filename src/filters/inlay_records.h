#pragma once
// Plain records of the inlay settings: the stored font description and the inlay settings record.
// They are copied by value between the settings, the inlay panel and the inlay renderer (deep
// copies: the strings are owned). No locking of their own; whoever shares one across threads
// copies it under its own lock.

#include <cstdint>
#include <string>

// A font as stored in the settings.
struct TfontRecord {
    std::wstring Name = L"Arial"; // face name
    int32_t Size = 21;            // size in points
    int32_t Color = 15780518;     // colour as 0x00BBGGRR (0xF0CAA6: a light blue)
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;

    bool operator==(const TfontRecord&) const = default;
};

// The inlay settings. Fields in their stored order; the defaults are those of a first start.
struct TincrustRec {
    std::wstring Incrust1 = L"realized on %R";           // template of the first line (kind 2)
    std::wstring Incrust2 = L"with Stillpick by Orvane"; // template of the second line (kind 2)
    std::wstring FormatDate1 = L"dddddd";                // date format of the first line
    std::wstring FormatDate2 = L"tt";                    // date format of the second line
    double DecalageHoraire = 0.0; // time difference added to recording and real dates, in days
    TfontRecord FontRec;          // font of both lines
    bool Autofontsize = true;     // font height follows the frame width instead of FontRec.Size
    int32_t BorderSize = 2;       // black border around the letters, in pixels (0 to 5 offered)
    // Inlay kind: 0 DV datecode, 1 DV timecode, 2 personal templates, 3 real date, 4 nothing,
    // 5 DV datecode when present else timestamp, 6 image number, 7 timestamp.
    uint8_t WhatIncrust = 5;
    uint8_t Alignement = 2;  // 0 left, 1 centre, 2 right, 3 subtitle
    int32_t BorderColor = 0; // stored and loaded only; the border is always black
    int32_t Xpos = 914;      // horizontal position, thousandths of the frame width
    int32_t Ypos = 914;      // top of the second line, thousandths of the frame height

    bool operator==(const TincrustRec&) const = default;
};
