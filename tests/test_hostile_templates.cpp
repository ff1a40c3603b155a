// Templates built to fool the matcher: minutiae whose angles or coordinates
// lie outside what any extraction or conversion makes. The comparison's
// 32-bit arithmetic wraps on them and its angle tests pass, so they scored
// high against any finger; matchRawFPTs refuses them, and
// ridge_check_template refuses the same ones with a message.
#include "ridgeext.h"
#include "ridgesdk.h"

#include "sdk/template_checks.h"
#include "support/grey_bmp.h"
#include "support/matcher_templates.h"
#include "support/sdk_test_helpers.h"
#include "support/search_fixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <string>
#include <vector>

using ridge_test::Minutiae;

namespace {

// 128 bifurcations on a grid, angles negative and far apart.
Minutiae negative_angle_grid()
{
    Minutiae m;
    for (int i = 0; i < 128; ++i)
        m.push_back(RawMinutia{2, 100 + (i % 16) * 12, 100 + (i / 16) * 25, -(i * 97)});
    return m;
}

// 128 minutiae with every field at the smallest 32-bit value.
Minutiae int32_min_template() { return Minutiae(128, RawMinutia{INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN}); }

// A finger-like template to compare against when the real sets are absent.
Minutiae finger_like() { return ridge_test::random_template(2024, 40, 380, 370, 12); }

SdkStatus match(const Minutiae &a, const Minutiae &b, double &score)
{
    const TemplateBuffer ta = ridge_test::raw_buffer(a), tb = ridge_test::raw_buffer(b);
    score = -1.0;
    return matchRawFPTs(&ta, &tb, &score);
}

} // namespace

TEST(HostileTemplates, ScoredHighThroughTheComparisonAndAreNowRefused)
{
    std::vector<Minutiae> fingers = ridge_test::shared_set_templates("fvc2002_db1_b");
    const bool real = !fingers.empty();
    if (!real)
        fingers.push_back(finger_like());
    // The grid scored above the highest impostor score of DB1_B (32.16)
    // against every finger, INT32_MIN as high as a genuine pair against some
    // real fingers.
    struct Crafted {
        const char *what;
        Minutiae minutiae;
        double every_above, some_real_above;
    };
    const Crafted crafted[] = {{"negative angles", negative_angle_grid(), 30.0, 50.0},
                               {"INT32_MIN", int32_min_template(), 0.0, 60.0}};
    for (const Crafted &c : crafted) {
        double lowest = 1e9, highest = 0.0;
        testing::internal::CaptureStdout();
        for (const Minutiae &finger : fingers) {
            const double s = ridge_test::comparison_score(c.minutiae, finger);
            lowest = std::min(lowest, s);
            highest = std::max(highest, s);
            for (const bool swapped : {false, true}) {
                double score = -1.0;
                EXPECT_EQ(swapped ? match(finger, c.minutiae, score) : match(c.minutiae, finger, score),
                          FPT_ERR_SIZE)
                    << c.what;
                EXPECT_EQ(score, 0.0) << c.what;
            }
        }
        testing::internal::GetCapturedStdout();
        EXPECT_GE(lowest, c.every_above) << c.what;
        if (real) {
            EXPECT_GT(highest, c.some_real_above) << c.what;
        }
        const TemplateBuffer t = ridge_test::raw_buffer(c.minutiae);
        EXPECT_EQ(ridge_check_template(&t), FPT_ERR_SIZE) << c.what;
    }
}

// Each field just inside and just outside its bounds, in either argument:
// refused with FPT_ERR_SIZE and a score of 0, after the format and size
// checks; the extension check agrees and names the minutia and the field.
TEST(HostileTemplates, BoundsOfEachFieldInEitherArgument)
{
    const Minutiae finger = finger_like();
    struct Field {
        int32_t RawMinutia::*member;
        int32_t value;
        bool accepted;
        const char *message;
    };
    const Field fields[] = {
        {&RawMinutia::angle, 0, true, ""},
        {&RawMinutia::angle, 360, true, ""},
        {&RawMinutia::angle, -1, false, "angle outside 0..360"},
        {&RawMinutia::angle, 361, false, "angle outside 0..360"},
        {&RawMinutia::angle, INT32_MAX, false, "angle outside 0..360"},
        {&RawMinutia::x, 0, true, ""},
        {&RawMinutia::x, 16383, true, ""},
        {&RawMinutia::x, -1, false, "x outside 0..16383"},
        {&RawMinutia::x, 16384, false, "x outside 0..16383"},
        {&RawMinutia::y, 0, true, ""},
        {&RawMinutia::y, 16383, true, ""},
        {&RawMinutia::y, -1, false, "y outside 0..16383"},
        {&RawMinutia::y, INT32_MIN, false, "y outside 0..16383"},
    };
    testing::internal::CaptureStdout();
    for (const Field &f : fields) {
        Minutiae probe = finger;
        probe[7].*f.member = f.value;
        const std::string what = std::to_string(f.value) + " " + f.message;
        for (const bool swapped : {false, true}) {
            double score = -1.0;
            const SdkStatus status = swapped ? match(finger, probe, score) : match(probe, finger, score);
            EXPECT_EQ(status, f.accepted ? FPT_OK : FPT_ERR_SIZE) << what;
            if (!f.accepted) {
                EXPECT_EQ(score, 0.0) << what;
            }
        }
        const TemplateBuffer t = ridge_test::raw_buffer(probe);
        EXPECT_EQ(ridge_check_template(&t), f.accepted ? RIDGE_OK : FPT_ERR_SIZE) << what;
        if (!f.accepted) {
            const std::string message = ridge_last_error();
            EXPECT_EQ(message.rfind("minutia 7 ", 0), 0u) << message;
            EXPECT_NE(message.find(f.message), std::string::npos) << message;
        }
        EXPECT_EQ(ridge::firstInvalidMinutia(t.data, static_cast<int>(probe.size())), f.accepted ? -1 : 7);

        // A wrong format tag and a size above the bound are reported first.
        TemplateBuffer packed = t;
        packed.format = FPT_FORMAT_PACKED;
        double score = -1.0;
        EXPECT_EQ(matchRawFPTs(&packed, &t, &score), FPT_ERR_FORMAT);
    }
    testing::internal::GetCapturedStdout();

    // The bad minutia beside an empty template is still refused: the check
    // comes before the empty template's score of 0.
    Minutiae bad = finger;
    bad[0].angle = -5;
    const TemplateBuffer b = ridge_test::raw_buffer(bad);
    const TemplateBuffer empty{nullptr, 0, FPT_FORMAT_RAW};
    double score = -1.0;
    EXPECT_EQ(matchRawFPTs(&empty, &b, &score), FPT_ERR_SIZE);
    EXPECT_EQ(score, 0.0);
    // Bytes past the last whole minutia are not a minutia.
    std::vector<unsigned char> bytes = ridge_test::raw_block(finger);
    bytes.insert(bytes.end(), 15, 0xff);
    const TemplateBuffer trailing = ridge_test::input_record(bytes, FPT_FORMAT_RAW);
    testing::internal::CaptureStdout();
    EXPECT_EQ(matchRawFPTs(&trailing, &trailing, &score), FPT_OK);
    testing::internal::GetCapturedStdout();
}

// What the SDK itself makes is never refused: the extremes the converters
// can produce from valid input, and the templates of every real image.
TEST(HostileTemplates, TemplatesOfTheConvertersAndTheExtractorAreAccepted)
{
    const Minutiae extremes{{1, 0, 0, 0}, {2, 1023, 1023, 360}, {1, 1023, 0, 358}, {2, 0, 1023, 2}};
    std::vector<unsigned char> bytes = ridge_test::raw_block(extremes);
    TemplateBuffer raw = ridge_test::input_record(bytes, FPT_FORMAT_RAW);
    ridge_test::OwnedRecord packed, unpacked, record, read_back;
    ASSERT_EQ(RawFPT_2_PackedFTP(&raw, &packed.record), FPT_OK);
    ASSERT_EQ(PackedFTP_2_RawFPT(&packed.record, &unpacked.record), FPT_OK);
    EXPECT_EQ(ridge_check_template(&unpacked.record), RIDGE_OK) << ridge_last_error();
    // An FMR378 record carries coordinates up to 16383 and angles up to 358.
    const Minutiae wide{{1, 16383, 16383, 358}, {2, 0, 16383, 0}, {1, 16383, 0, 180}};
    std::vector<unsigned char> wide_bytes = ridge_test::raw_block(wide);
    TemplateBuffer wide_raw = ridge_test::input_record(wide_bytes, FPT_FORMAT_RAW);
    ASSERT_EQ(RawFPT_2_FMR378FPT(&wide_raw, 60, 1, 0, 16383, 16383, &record.record), FPT_OK);
    ASSERT_EQ(FMR378FPT_2_RawFPT(&record.record, &read_back.record), FPT_OK);
    EXPECT_EQ(ridge_check_template(&read_back.record), RIDGE_OK) << ridge_last_error();
    double score = -1.0;
    testing::internal::CaptureStdout();
    EXPECT_EQ(matchRawFPTs(&read_back.record, &unpacked.record, &score), FPT_OK);
    testing::internal::GetCapturedStdout();

    const std::vector<std::string> sets = ridge_test::shared_image_sets();
    if (sets.empty())
        GTEST_SKIP() << "shared image sets not present: real templates not checked";
    int checked = 0;
    for (const std::string &set : sets)
        for (const Minutiae &m : ridge_test::shared_set_templates(set)) {
            const TemplateBuffer t = ridge_test::raw_buffer(m);
            EXPECT_EQ(ridge_check_template(&t), RIDGE_OK) << set << ": " << ridge_last_error();
            ++checked;
        }
    EXPECT_GT(checked, 200);
}
