// The base of every window of the program: Load / Activate / Resize / Unload hooks and
// geometry in twips (15 twips per pixel). Controls are Qt widgets whose objectName is the
// control's name.
#pragma once

#include <QSize>
#include <QString>
#include <QWidget>
#include <algorithm>
#include <climits>
#include <cmath>
#include <optional>
#include <type_traits>

namespace platform {

inline constexpr int kTwipsPerPixel = 15;

inline int TwipsToPixels(int twips) {
    return twips >= 0 ? (twips + kTwipsPerPixel / 2) / kTwipsPerPixel
                      : -((-twips + kTwipsPerPixel / 2) / kTwipsPerPixel);
}
inline int PixelsToTwips(int pixels) {
    return pixels * kTwipsPerPixel;
}

// One coordinate in twips remembered with the pixel value it gave: it reads back as set (11000,
// not 10995; 4572.5 as 4572.5) while the widget keeps that pixel value, and is derived from the
// pixels once they change.
template <typename T>
struct RememberedTwips {
    T twips{};
    int pixels = -1;
    T read(int currentPixels) const {
        return currentPixels == pixels ? twips : static_cast<T>(PixelsToTwips(currentPixels));
    }
    // Remembers `t` and the pixel value it gives, at least `least`; returns that pixel value.
    int set(T t, int least = INT_MIN) {
        twips = t;
        if constexpr (std::is_integral_v<T>)
            pixels = TwipsToPixels(t);
        else
            pixels = static_cast<int>(std::lround(t / kTwipsPerPixel));
        pixels = std::max(least, pixels);
        return pixels;
    }
};

// Sets a control's position and size in twips.
void SetTwipsGeometry(QWidget* w, int left, int top, int width, int height);
int TwipsLeft(const QWidget* w);
int TwipsTop(const QWidget* w);
int TwipsWidth(const QWidget* w);
int TwipsHeight(const QWidget* w);

// Creates a control of type T named `name` on `parent`, placed in twips.
template <typename T>
T* MakeControl(QWidget* parent, const QString& name, int left, int top, int width, int height) {
    T* w = new T(parent);
    w->setObjectName(name);
    SetTwipsGeometry(w, left, top, width, height);
    return w;
}

class Form : public QWidget {
    Q_OBJECT
  public:
    explicit Form(const QString& name, QWidget* parent = nullptr);

    // Runs Form_Load once; Show() loads first when needed. A window that cannot be prepared
    // (its opening read fails) lets the error out of Form_Load; whoever opens it reports the
    // error and discards the window, so no window is ever shown half-prepared.
    void Load();
    bool IsLoaded() const { return loaded_; }
    void Show();
    // Asks Form_Unload (which may cancel), then closes and deletes the form. Returns false when
    // the unload was cancelled.
    bool Unload();

    // Twips as last set while the window still has the pixel geometry they gave (11000 reads
    // back as 11000, not 10995); otherwise derived from the pixels. A window's left and top are
    // those of its frame, its width and height those of its inside.
    int Left() const { return left_.read(x()); }
    int Top() const { return top_.read(y()); }
    int Width() const { return width_.read(width()); }
    int Height() const { return height_.read(height()); }
    void setLeft(int twips);
    void setTop(int twips);
    void setWidth(int twips);
    void setHeight(int twips);
    void Move(int left, int top);
    void Move(int left, int top, int width, int height);

    QString Caption() const { return windowTitle(); }
    void setCaption(const QString& caption) { setWindowTitle(caption); }

  signals:
    void unloaded(platform::Form* form);

  protected:
    virtual void Form_Load() {}
    virtual void Form_Activate() {}
    virtual void Form_Resize() {}
    // Set cancel to keep the form open.
    virtual void Form_Unload(bool& cancel) { (void)cancel; }

    // Gives the window this size (twips) and keeps it: any later resize puts it back, except
    // for a minimised window or one rolled up to its title bar.
    void keepSize(int width, int height);

    void resizeEvent(QResizeEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void changeEvent(QEvent* e) override;

  private:
    void applyTwips(int left, int top, int width, int height);
    void restoreKeptSize();

    RememberedTwips<int> left_, top_, width_, height_;
    std::optional<QSize> keptSize_;  // twips
    bool loaded_ = false;
    bool unloading_ = false;
    bool inResize_ = false;
};

}  // namespace platform
