// The start-up splash: a borderless picture shaped by its non-magenta
// pixels, centred on the screen, shown for three seconds or until the next
// key press or mouse click anywhere in the program (which it consumes).
// One splash per run.
#pragma once

#include <QImage>
#include <QTimer>
#include <QWidget>

namespace verosa {

class Splash : public QWidget {
 public:
  static constexpr int kShowMs = 3000;

  // Shows the splash picture from the skins folder unless one was shown in
  // this run already or the picture is missing. The splash deletes itself
  // when it closes. Null when nothing was shown.
  static Splash* ShowOnce();
  // Whether a splash was shown in this run.
  static bool Shown();

  // A splash of `picture` (not shown yet).
  explicit Splash(const QImage& picture);
  ~Splash() override;

  // Shows it centred and starts the timer.
  void Start();
  const QImage& Picture() const { return picture_; }
  bool IsTimerRunning() const { return timer_.isActive(); }

  bool eventFilter(QObject* watched, QEvent* event) override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void Finish();

  QImage picture_;
  QTimer timer_;
  bool filtering_ = false;
};

}  // namespace verosa
