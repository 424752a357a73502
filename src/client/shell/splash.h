#pragma once
// The splash window shown while the program starts: picture, title, step message and gauge.

#include <QStringList>
#include <QWidget>

class QLabel;
class QProgressBar;

namespace dyt::client {

class TfrmSplash : public QWidget {
    Q_OBJECT
public:
    // Loads "images/dytv1Splash.jpg" of the program folder when it exists.
    explicit TfrmSplash(const QString& programDir, QWidget* parent = nullptr);

    // Shows the step's message with "..." appended and advances the gauge by one tenth.
    void step(const QString& message);
    // Puts the gauge to 100 % and marks start-up as finished (a click then closes the window).
    void finish();

    int gauge() const;
    QString message() const;
    // The messages shown, in order, with the gauge value each was shown at ("text|percent").
    const QStringList& history() const { return history_; }
    bool pictureLoaded() const { return pictureLoaded_; }
    bool started() const { return started_; }

    static QString title();  // "《德盈通》普及版"

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    QLabel* picture_;
    QLabel* title_;
    QLabel* message_;
    QProgressBar* gauge_;
    QStringList history_;
    bool pictureLoaded_ = false;
    bool started_ = false;
    int steps_ = 0;
};

}  // namespace dyt::client
