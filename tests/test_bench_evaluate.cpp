// The evaluation command: its error-rate arithmetic, its picture, and one
// run on a small folder of sample fingerprints.
#include "bench/accuracy_metrics.h"
#include "bench/accuracy_svg.h"

#include "support/bitmap_builder.h"
#include "support/grey_bmp.h"
#include "support/program_runner.h"
#include "support/sdk_test_helpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

using ridge_eval::OperatingPoint;

TEST(ErrorTradeoff, RatesAtEveryThreshold)
{
    const std::vector<OperatingPoint> curve = ridge_eval::error_tradeoff({50, 60, 70, 80}, {0, 0, 10, 55});
    ASSERT_EQ(8u, curve.size()); // 0, 10, 50, 55, 60, 70, 80 and above all
    EXPECT_EQ(0.0, curve[0].threshold);
    EXPECT_EQ(1.0, curve[0].fmr);
    EXPECT_EQ(0.0, curve[0].fnmr);
    // At 55 one impostor is still accepted and one genuine rejected.
    EXPECT_EQ(55.0, curve[3].threshold);
    EXPECT_EQ(0.25, curve[3].fmr);
    EXPECT_EQ(0.25, curve[3].fnmr);
    EXPECT_EQ(0.0, curve.back().fmr);
    EXPECT_EQ(1.0, curve.back().fnmr);
    const ridge_eval::EqualErrorRate eer = ridge_eval::equal_error_rate(curve);
    EXPECT_EQ(0.25, eer.rate);
    EXPECT_EQ(55.0, eer.threshold);
}

TEST(ErrorTradeoff, SeparatedScoresHaveNoError)
{
    const auto curve = ridge_eval::error_tradeoff({40, 50}, {0, 5, 10});
    const ridge_eval::EqualErrorRate eer = ridge_eval::equal_error_rate(curve);
    EXPECT_EQ(0.0, eer.rate);
    EXPECT_GT(eer.threshold, 10.0);
    EXPECT_LE(eer.threshold, 40.0);
}

TEST(FnmrAtFmr, NeedsEnoughImpostorComparisons)
{
    // 100 impostors, one of them at 90; genuine scores 20..99.
    std::vector<double> impostor(100, 3.0), genuine;
    impostor[7] = 90;
    for (int s = 20; s < 100; ++s)
        genuine.push_back(s);
    const auto curve = ridge_eval::error_tradeoff(genuine, impostor);
    double fnmr = -1;
    ASSERT_TRUE(ridge_eval::fnmr_at_fmr(curve, impostor.size(), 0.01, &fnmr));
    EXPECT_DOUBLE_EQ(0.0, fnmr); // threshold 20 accepts only the one at 90 (FMR 1%)
    ASSERT_FALSE(ridge_eval::fnmr_at_fmr(curve, impostor.size(), 0.001, &fnmr));
    ASSERT_FALSE(ridge_eval::fnmr_at_fmr(curve, 45, 0.01, &fnmr));

    // Two impostors high: FMR 1% needs a threshold above the lower one.
    impostor[8] = 60;
    const auto curve2 = ridge_eval::error_tradeoff(genuine, impostor);
    ASSERT_TRUE(ridge_eval::fnmr_at_fmr(curve2, impostor.size(), 0.01, &fnmr));
    EXPECT_DOUBLE_EQ(41.0 / 80.0, fnmr); // genuine 20..60 rejected at threshold 61
    // The point itself: the lowest threshold that keeps FMR at 1%.
    ridge_eval::OperatingPoint point{};
    ASSERT_TRUE(ridge_eval::point_at_fmr(curve2, impostor.size(), 0.01, &point));
    EXPECT_EQ(61.0, point.threshold);
    EXPECT_DOUBLE_EQ(0.01, point.fmr);
    ASSERT_TRUE(ridge_eval::point_at_fmr(curve, impostor.size(), 0.01, &point));
    EXPECT_EQ(20.0, point.threshold);
}

TEST(Histogram, SharesPerBinWithTheLastBinOpen)
{
    const std::vector<double> shares = ridge_eval::histogram({0, 1, 2.5, 4.9, 200}, 2.5, 4);
    EXPECT_EQ((std::vector<double>{0.4, 0.4, 0.0, 0.2}), shares);
}

TEST(NormalQuantile, KnownValuesAndSymmetry)
{
    EXPECT_NEAR(0.0, ridge_eval::normal_quantile(0.5), 1e-9);
    EXPECT_NEAR(1.959964, ridge_eval::normal_quantile(0.975), 1e-5);
    EXPECT_NEAR(-3.090232, ridge_eval::normal_quantile(0.001), 1e-5);
    EXPECT_NEAR(-ridge_eval::normal_quantile(0.2), ridge_eval::normal_quantile(0.8), 1e-9);
    EXPECT_LT(ridge_eval::normal_quantile(1e-4), ridge_eval::normal_quantile(1e-3));
}

TEST(AccuracySvg, OneDocumentWithBothPanelsAndEscapedText)
{
    ridge_eval::PictureFacts f;
    f.title = "set <A&B>";
    f.subtitle = "EER 1%";
    f.footer = "revision 169; data set x";
    f.genuine = {40, 60, 80, 100};
    f.impostor = {0, 0, 5, 12, 30};
    f.curve = ridge_eval::error_tradeoff(f.genuine, f.impostor);
    f.eer = ridge_eval::equal_error_rate(f.curve);
    const std::string svg = ridge_eval::accuracy_svg(f);
    EXPECT_EQ(0u, svg.find("<svg xmlns=\"http://www.w3.org/2000/svg\""));
    EXPECT_EQ(svg.size() - 7, svg.rfind("</svg>\n"));
    EXPECT_NE(std::string::npos, svg.find("set &lt;A&amp;B&gt;"));
    EXPECT_NE(std::string::npos, svg.find("DET curve"));
    EXPECT_NE(std::string::npos, svg.find("revision 169; data set x"));
    EXPECT_NE(std::string::npos, svg.find("each class normalised on its own"));
    EXPECT_EQ(std::string::npos, svg.find("nan"));
    EXPECT_EQ(std::string::npos, svg.find("inf"));
    // Bars stay inside the plot: no negative y.
    EXPECT_EQ(std::string::npos, svg.find("y=\"-"));
    // Fully separated scores: no point has both rates above 0, so there is
    // no curve to draw (not one along the edges).
    EXPECT_EQ(std::string::npos, svg.find("<polyline"));
    EXPECT_NE(std::string::npos, svg.find("no point with both rates measurable"));
}

TEST(AccuracySvg, DetCurveKeepsToMeasurableRatesAndMarksItsEnds)
{
    // Thresholds 12, 30, 40 and 50 have both rates measurable; 12 lies
    // beyond FMR 50%, above 50 no impostor is accepted.
    ridge_eval::PictureFacts f;
    f.genuine = {10, 40, 60, 80};
    f.impostor = {0, 5, 12, 30, 50};
    f.curve = ridge_eval::error_tradeoff(f.genuine, f.impostor);
    f.eer = ridge_eval::equal_error_rate(f.curve);
    ASSERT_DOUBLE_EQ(0.225, f.eer.rate);
    f.marks.push_back({"FMR 20%", ridge_eval::OperatingPoint{40, 0.2, 0.25}});
    const std::string svg = ridge_eval::accuracy_svg(f);
    const std::regex polyline("<polyline points=\"([^\"]*)\"[^>]*clip-path=\"url\\(#det-plot\\)\"");
    std::smatch m;
    ASSERT_TRUE(std::regex_search(svg, m, polyline)) << svg;
    const std::string points = m[1];
    EXPECT_EQ(4, std::count(points.begin(), points.end(), ',')) << points;
    EXPECT_NE(std::string::npos, svg.find("<clipPath id=\"det-plot\">"));
    EXPECT_NE(std::string::npos, svg.find(">FMR 0 above 50.00<"));
    // The EER is labelled as the figures give it, two decimals.
    EXPECT_NE(std::string::npos, svg.find(">EER 22.50%<"));
    EXPECT_NE(std::string::npos, svg.find(">EER 22.50% at threshold 40.00<"));
    // The operating point, on the curve and in the histogram.
    EXPECT_NE(std::string::npos, svg.find(">FMR 20%: threshold 40.00, FNMR 25.00%<"));
    EXPECT_NE(std::string::npos, svg.find(">FMR 20% threshold 40.00<"));

    f.eer = {0.0958, 14.11};
    EXPECT_NE(std::string::npos, ridge_eval::accuracy_svg(f).find(">EER 9.58% at threshold 14.11<"));
    EXPECT_EQ(std::string::npos, ridge_eval::accuracy_svg(f).find(">EER 10%"));
}

class BenchEvaluate : public ridge_test::ProgramTest {
protected:
    BenchEvaluate() : ProgramTest("bench/bench_evaluate") {}
};

TEST_F(BenchEvaluate, ReportsAndDrawsASmallSet)
{
    const std::string folder = path("set");
    std::filesystem::create_directories(folder);
    std::string genuine, impostor;
    for (const char *finger : {"101", "102", "103"}) {
        for (int k = 1; k <= 3; ++k) {
            const std::string name = std::string(finger) + "_" + std::to_string(k) + ".bmp";
            std::filesystem::copy_file(ridge_test::sample_path(name), folder + "/" + name);
        }
        genuine += std::string(finger) + "_1.bmp " + finger + "_2.bmp\n";
        genuine += std::string(finger) + "_2.bmp " + finger + "_3.bmp\n";
    }
    impostor = "101_1.bmp 102_1.bmp\n101_1.bmp 103_1.bmp\n102_2.bmp 103_3.bmp\n";
    // A name that is not in the folder counts as a failed image.
    impostor += "101_3.bmp missing.bmp\n";
    // A bitmap that cannot be read says why.
    ridge_test::BitmapLayout layout;
    layout.bits_per_pixel = 24;
    ridge_test::write_file(folder + "/colour.bmp", ridge_test::make_bitmap(layout));
    impostor += "colour.bmp 101_2.bmp\n";
    ridge_test::write_file(folder + "/pairs_genuine.txt", genuine);
    ridge_test::write_file(folder + "/pairs_impostor.txt", impostor);
    const std::string svg = path("picture.svg");
    const std::string scores = path("scores.txt");

    const ridge_test::ProgramRun run = ProgramTest::run({folder, "--svg", svg, "--scores", scores, "--threads", "2"});
    ASSERT_EQ(0, run.exit_code) << run.out << run.err;
    EXPECT_NE(std::string::npos, run.out.find("Set set ("));
    EXPECT_NE(std::string::npos, run.out.find("Images: 11, extracted "));
    EXPECT_NE(std::string::npos, run.out.find("failed: missing.bmp (cannot be read)"));
    EXPECT_NE(std::string::npos, run.out.find("failed: colour.bmp (24 bits per pixel; only 8-bit bitmaps are read)"));
    EXPECT_NE(std::string::npos, run.out.find("Comparisons: 6 genuine (pairs_genuine.txt), 5 impostor (pairs_impostor.txt)"));
    EXPECT_NE(std::string::npos, run.out.find("EER: "));
    EXPECT_NE(std::string::npos, run.out.find("FNMR at FMR 1.00%: not resolved by 5 impostor comparisons (needs 100)"));
    EXPECT_NE(std::string::npos, run.out.find("Mean match time: "));
    EXPECT_NE(std::string::npos, run.out.find("SVG: " + svg));
    const std::string picture = ridge_test::read_text(svg);
    EXPECT_EQ(0u, picture.find("<svg"));
    EXPECT_NE(std::string::npos, picture.find("set: 6 genuine, 5 impostor comparisons"));
    EXPECT_NE(std::string::npos, picture.find("revision 169 (" RIDGESDK_VERSION_STRING "); data set set: "
                                              "pairs_genuine.txt, pairs_impostor.txt"));

    // Every pair's score, genuine pairs first, in list order; the pairs
    // with an image that failed score 0.
    const std::vector<std::string> got = ridge_test::split(ridge_test::read_text(scores));
    ASSERT_EQ(11u, got.size());
    const std::regex line("^([^ ]+) ([^ ]+) (genuine|impostor) ([0-9]+\\.[0-9]{6})$");
    for (std::size_t k = 0; k < got.size(); ++k) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(got[k], m, line)) << got[k];
        EXPECT_EQ(k < 6 ? "genuine" : "impostor", m[3]) << got[k];
    }
    EXPECT_EQ(0u, got[0].find("101_1.bmp 101_2.bmp genuine "));
    EXPECT_EQ("101_3.bmp missing.bmp impostor 0.000000", got[9]);
    EXPECT_EQ("colour.bmp 101_2.bmp impostor 0.000000", got[10]);
    EXPECT_NE(std::string::npos, run.out.find("Scores: " + scores));
}

TEST_F(BenchEvaluate, RefusesAFolderWithoutMatchLists)
{
    EXPECT_NE(0, run({path("")}).exit_code);
    EXPECT_EQ(2, run({}).exit_code);
}
