// The installation progress window Tcopying: two labels, two gauges and the exit button. Its
// first activation runs the whole installation; its destruction after a terminate hands the
// partial installation to the uninstaller.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "forms/form.h"
#include "state/context.h"
#include "state/run_state.h"

namespace corvid {

class TCompress;

class Tcopying : public Form, public RunProgress {
public:
    explicit Tcopying(Context& ctx);
    ~Tcopying() override;

    void FormCreate();
    void FormActivate();
    void Btn_exitClick();
    void FormKeyDown(int& key);
    void CCheckFile(std::string& filepath);
    void CShowProgress(int32_t& percentageDone);
    void FormDestroy();

    // The archive component that expands the product's files and the uninstaller.
    std::unique_ptr<TCompress> C;

    // RunProgress
    void ShowActivity(const std::string& text) override;
    void SetUpper(int32_t percent) override;
    void SetLower(int32_t percent) override;
    void Pause() override;

    // Pause points let messages run at most once in this many milliseconds (0: at every one).
    // Where letting them run is slow (repaints on a remote or emulated display), the slice
    // grows so that they take about an eighth of the time, up to kLongestSliceMs.
    uint32_t pumpSliceMs = 20;
    static constexpr uint32_t kLongestSliceMs = 100;
    // Within a slice, a pause point looks this often whether input waits (a key, a click, a
    // question from another program), and lets messages run at once when it does.
    static constexpr uint32_t kInputLookMs = 5;
    // The slice as it stands now.
    uint32_t Slice() const;

    // Places the window's top edge at two thirds of the screen height (plus 5).
    void MoveDown();
    // The run's last look: no caption, both gauges full, no activity text, no exit.
    void ShowFinished();

private:
    Context& ctx_;
    bool pumped_ = false;
    uint32_t lastPump_ = 0;
    uint32_t lastInputLook_ = 0;
    uint32_t pumpCost16_ = 0; // a running mean of a pump's milliseconds, times 16
};

} // namespace corvid
