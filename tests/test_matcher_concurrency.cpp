// Comparisons running at the same time on several threads give exactly the
// scores of the same comparisons run one after another.
#include "support/matcher_templates.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <numeric>
#include <random>
#include <thread>
#include <vector>

using ridge_test::Minutiae;

TEST(MatcherConcurrency, ThreadsGiveTheSequentialScores)
{
    // Genuine-like and unrelated pairs of many sizes, small ones included
    // (they draw random minutiae and print trace lines).
    std::vector<std::pair<Minutiae, Minutiae>> pairs;
    for (uint32_t k = 0; k < 48; ++k) {
        const int count = k % 8 == 0 ? 3 + static_cast<int>(k % 5) : 10 + static_cast<int>(k * 7 % 110);
        const Minutiae a = ridge_test::random_template(7000 + k, count);
        ridge_test::Distortion how;
        how.rotation_degrees = static_cast<double>(k % 30) - 15.0;
        how.shift_x = static_cast<int>(k % 11) * 3;
        how.jitter = 2;
        how.dropped = static_cast<int>(k % 4);
        pairs.emplace_back(a, k % 2 ? ridge_test::distorted_copy(a, how, k)
                                    : ridge_test::random_template(8000 + k, count + static_cast<int>(k % 3)));
    }

    testing::internal::CaptureStdout();
    std::vector<double> sequential;
    for (const auto &p : pairs)
        sequential.push_back(ridge_test::match_score(p.first, p.second));

    constexpr int kThreads = 4;
    std::vector<std::vector<double>> seen(kThreads, std::vector<double>(pairs.size(), -1.0));
    std::atomic<int> ready{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            ++ready;
            while (ready.load() < kThreads) {
            }
            // Each thread walks the pairs in its own order, several times.
            std::vector<size_t> order(pairs.size());
            std::iota(order.begin(), order.end(), size_t{0});
            std::mt19937 rng(static_cast<uint32_t>(t));
            for (int round = 0; round < 3; ++round) {
                std::shuffle(order.begin(), order.end(), rng);
                for (const size_t k : order) {
                    const TemplateBuffer a = ridge_test::raw_buffer(pairs[k].first);
                    const TemplateBuffer b = ridge_test::raw_buffer(pairs[k].second);
                    double score = -1.0;
                    matchRawFPTs(&a, &b, &score);
                    if (round == 0 || seen[static_cast<size_t>(t)][k] == score)
                        seen[static_cast<size_t>(t)][k] = score;
                    else
                        seen[static_cast<size_t>(t)][k] = -2.0; // changed between rounds
                }
            }
        });
    for (std::thread &t : threads)
        t.join();
    testing::internal::GetCapturedStdout();

    int nonzero = 0;
    for (size_t k = 0; k < pairs.size(); ++k) {
        nonzero += sequential[k] > 0;
        for (int t = 0; t < kThreads; ++t)
            EXPECT_EQ(sequential[k], seen[static_cast<size_t>(t)][k]) << "pair " << k << " thread " << t;
    }
    EXPECT_GT(nonzero, 15);
}
