#pragma once
// A miniature of how an alarm or template looks when it rings (its background
// picture for the square screen class and its name in a box in its colours),
// the picture of a command's target on the command kind picture, or, with no
// alarm, the picture of an alarm kind. The background continues the host
// window's vertical gradient, and a double cut-corner frame surrounds it.
#include <QImage>
#include <QPointer>
#include <QString>
#include <QWidget>

namespace dawnbell {

class Alarm;

class CTemplatePreviewStatic : public QWidget {
    Q_OBJECT
public:
    // Resource pictures of the four alarm kinds (by `type`), drawn 80 x 80 at 96 dpi.
    static constexpr int kKindPictures[4] = {310, 309, 306, 307};
    static constexpr int kKindPictureSize = 80; // 96-dpi pixels
    static constexpr int kTargetIconSize = 32;  // the command target's icon, 96-dpi pixels

    explicit CTemplatePreviewStatic(QWidget* parent = nullptr);

    // The alarm or template to show (not owned; must outlive the control or be
    // replaced); null shows the kind picture. Another alarm drops the cached picture.
    void SetAlarm(const Alarm* alarm);
    const Alarm* GetAlarm() const { return m_alarm; }
    // Text of the name box; empty: no box.
    void SetName(const QString& name);
    QString Name() const { return m_name; }
    // -1 or an alarm type 0-3, shown while no alarm is set.
    void SetKind(int kind);
    int Kind() const { return m_kind; }
    // The window whose gradient the control continues; null: the grandparent
    // when there is one, else the parent.
    void SetHost(QWidget* host);
    // Folder of the background pictures; empty: <program folder>/images.
    void SetImagesDir(const QString& dir);

    // The name box (control pixels): from 70 % of the height to g pixels above
    // the bottom and g pixels inside the sides, g = (dpi_x + 12) * 4 / 96 + 4.
    QRect NameBox() const;
    // Whether the last paint drew a cached background picture.
    bool HasPicture() const { return !m_picture.isNull(); }

    // The control's picture as painted now (tests and the gallery).
    QImage Render();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void PaintInto(QPainter& painter);
    QWidget* Host() const;
    QString ImagesDir() const;

    const Alarm* m_alarm = nullptr; // shown alarm or template; not owned
    QString m_name;                 // name box text; empty = no box
    int m_kind = -1;                // kind picture without an alarm; -1 none
    QPointer<QWidget> m_host;       // explicit host; null = grandparent or parent
    QString m_imagesDir;            // pictures folder; empty = default
    QImage m_picture;               // the background picture scaled to the control
    bool m_pictureTried = false;    // the picture was loaded (or failed) for this alarm and size
};

} // namespace dawnbell
