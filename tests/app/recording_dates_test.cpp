// Recording dates, zones, cameras and places of modern sources reaching the stills: AVCHD's
// MDPM user data frame by frame, MP4/MOV creation times, Apple's local date and place,
// Matroska's recording date; absurd or damaged tags give nothing.

#include "grab_fixture.h"

#include "describe/day_count.h"
#include "filters/inlay_text.h"
#include "filters/superposer.h"

namespace apptest {
namespace {

using namespace sp;

std::string Exif(const QString& file, ExifIfd ifd, unsigned tag) {
    return ExifField(file, ifd, ExifTag(tag));
}

class RecordingDates : public GrabTest {
protected:
    // Loads `media` (the first time with the window opened), goes to `position` and saves a
    // JPEG; the saved file's path.
    QString GrabAt(const std::string& media, int64_t position, double difference = 0) {
        const QString name = QString::fromStdString("clip_" + media);
        if (!opened_) {
            Load(media, name);
            W().ExecuteToken("jpeg", "90");
            W().ExecuteToken("add_num", "0001");
            opened_ = true;
        } else {
            W().LoadVideoFile(Copy(media, name));
        }
        W().S->IncrustRec.Value.DecalageHoraire = difference;
        GoTo(position);
        W().ExecuteToken("grab");
        const QStringList saved = SavedFiles();
        return saved.isEmpty() ? QString() : Image(saved.last());
    }
    std::string Original(const QString& file) {
        return Exif(file, EXIF_IFD_EXIF, EXIF_TAG_DATE_TIME_ORIGINAL);
    }
    std::string Offset(const QString& file) {
        return Exif(file, EXIF_IFD_EXIF, EXIF_TAG_OFFSET_TIME_ORIGINAL);
    }
    std::string Gps(const QString& file, unsigned tag) { return Exif(file, EXIF_IFD_GPS, tag); }
    // The date the datecode inlay draws on the picture shown, as EXIF writes dates.
    std::string InlayDate() {
        const InlayValues values = W().Media->Superposer()->SampleValues();
        if (!values.RecDateValid) return "none";
        const auto c = DecodeDayCount(values.RecDateTime);
        if (!c) return "bad";
        char text[32];
        std::snprintf(text, sizeof text, "%04d:%02d:%02d %02d:%02d:%02d", c->Year, c->Month, c->Day,
                      c->Hour, c->Minute, c->Second);
        return text;
    }

    bool opened_ = false;
};

TEST_F(RecordingDates, AvchdDatesEveryFrameFromItsUserDataWithZoneAndCamera) {
    const QString at10 = GrabAt("dated_mdpm.m2ts", 10 * kSecond);
    EXPECT_EQ(Original(at10), "2013:07:14 09:30:10");
    EXPECT_EQ(InlayDate(), "2013:07:14 09:30:10");
    EXPECT_EQ(Offset(at10), "+02:00");
    EXPECT_EQ(Exif(at10, EXIF_IFD_0, EXIF_TAG_MAKE), "Sony");
    EXPECT_EQ(Exif(at10, EXIF_IFD_0, EXIF_TAG_MODEL), "HDR-CX110E");
    EXPECT_EQ(Gps(at10, EXIF_TAG_GPS_LATITUDE), "");

    GoTo(3 * kSecond);
    W().ExecuteToken("grab");
    EXPECT_EQ(Original(Image(SavedFiles().last())), "2013:07:14 09:30:03");

    // The time difference moves the date; the camera's zone stays.
    const QString later = GrabAt("dated_mdpm.m2ts", 10 * kSecond, 1.0 / 24);
    EXPECT_EQ(Original(later), "2013:07:14 10:30:10");
    EXPECT_EQ(Offset(later), "+02:00");
}

TEST_F(RecordingDates, PhoneFilesGiveStartPlusPositionZonePlaceAndCamera) {
    const QString apple = GrabAt("dated_apple.mov", 10 * kSecond);
    EXPECT_EQ(Original(apple), "2022:08:09 18:30:10"); // the local date, not the UTC one
    EXPECT_EQ(InlayDate(), "2022:08:09 18:30:10");
    EXPECT_EQ(Offset(apple), "+02:00");
    EXPECT_EQ(Exif(apple, EXIF_IFD_0, EXIF_TAG_MAKE), "Apple");
    EXPECT_EQ(Exif(apple, EXIF_IFD_0, EXIF_TAG_MODEL), "iPhone 12");
    EXPECT_EQ(Gps(apple, EXIF_TAG_GPS_LATITUDE_REF), "N");
    EXPECT_EQ(Gps(apple, EXIF_TAG_GPS_LATITUDE), "48, 51, 30.2400");
    EXPECT_EQ(Gps(apple, EXIF_TAG_GPS_LONGITUDE_REF), "E");
    EXPECT_EQ(Gps(apple, EXIF_TAG_GPS_LONGITUDE), " 2, 17, 40.2000");
    EXPECT_EQ(Gps(apple, EXIF_TAG_GPS_ALTITUDE), "35.00");

    const QString android = GrabAt("dated_android.mp4", 0);
    EXPECT_EQ(Original(android), "2020:02:29 11:00:00");
    EXPECT_EQ(Offset(android), "+00:00");
    EXPECT_EQ(Gps(android, EXIF_TAG_GPS_LATITUDE_REF), "S");
    EXPECT_EQ(Gps(android, EXIF_TAG_GPS_ALTITUDE), "");      // none given
    EXPECT_EQ(Exif(android, EXIF_IFD_0, EXIF_TAG_MAKE), ""); // nothing of the phone before
}

TEST_F(RecordingDates, UtcCreationTimeAndMatroskaRecordingDate) {
    const QString utc = GrabAt("dated_utc.mp4", 10 * kSecond);
    EXPECT_EQ(Original(utc), "2021:06:05 14:03:30");
    EXPECT_EQ(Offset(utc), "+00:00");
    // Moved by a time difference, the UTC time becomes a local time of an unknown zone.
    const QString moved = GrabAt("dated_utc.mp4", 10 * kSecond, 2.0 / 24);
    EXPECT_EQ(Original(moved), "2021:06:05 16:03:30");
    EXPECT_EQ(Offset(moved), "");

    const QString mkv = GrabAt("dated.mkv", 10 * kSecond);
    EXPECT_EQ(Original(mkv), "2019:12:31 23:59:50");
    EXPECT_EQ(Offset(mkv), "");
    EXPECT_EQ(Gps(mkv, EXIF_TAG_GPS_LATITUDE), "");
}

TEST_F(RecordingDates, AbsurdOrDamagedTagsGiveNoDateEvenAfterADatedFile) {
    ASSERT_EQ(Original(GrabAt("dated_apple.mov", 0)), "2022:08:09 18:30:00");
    for (const char* media : {"dated_absurd.mp4", "dated_future.mkv", "dated_mdpm_damaged.m2ts"}) {
        const QString still = GrabAt(media, 2 * kSecond);
        ASSERT_FALSE(still.isEmpty()) << media;
        EXPECT_EQ(Original(still), "") << media;
        EXPECT_EQ(Offset(still), "") << media;
        EXPECT_EQ(Gps(still, EXIF_TAG_GPS_LATITUDE), "") << media; // also off the globe
        EXPECT_EQ(Exif(still, EXIF_IFD_0, EXIF_TAG_SOFTWARE), "Stillpick") << media;
    }
}

} // namespace
} // namespace apptest
