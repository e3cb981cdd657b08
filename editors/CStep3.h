#pragma once
// Wizard page "Playlist": the sound files in playing order (several may be
// selected), "Random order", Add, Remove, up and down, and a test playback on
// a double tap. The device volume is never touched here.
#include "CEditWizardPage.h"

#include <QStringList>

#include <memory>

class QCheckBox;
class QListWidget;
class QPushButton;

namespace dawnbell {

class KitArrowButton;
class MediaPlayer;

class CStep3 : public CEditWizardPage {
    Q_OBJECT
public:
    enum ControlId : int {
        IdList = 1013,
        IdAdd = 1014,
        IdRemove = 1015,
        IdRandom = 1016,
        IdUp = 1017,
        IdDown = 1018,
    };
    static constexpr int kLayout = 213;

    CStep3(Alarm* work, const WizardServices* services);
    // Stops and releases a test playback.
    ~CStep3() override;

    bool StoreToAlarm() override;

    // The rows' full paths in list order.
    QStringList Playlist() const;
    // The player of test playback; null until the first double tap.
    MediaPlayer* Player() const { return m_player.get(); }

protected:
    void CreateControls() override;
    void FillFromAlarm() override;
    void ApplyCaptions() override;

private:
    void AddRow(const QString& path);
    void UpdateButtons();
    void MoveCurrent(int delta);
    void RemoveSelected();
    void AddFiles();
    void TestPlay(int row);

    QListWidget* m_list = nullptr;         // 1013; rows carry their full path
    QCheckBox* m_random = nullptr;         // 1016
    QPushButton* m_remove = nullptr;       // 1015
    KitArrowButton* m_up = nullptr;        // 1017
    KitArrowButton* m_down = nullptr;      // 1018
    std::unique_ptr<MediaPlayer> m_player; // test playback
};

} // namespace dawnbell
