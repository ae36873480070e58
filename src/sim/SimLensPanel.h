// CSimLensPanel: the small window in which the operator turns the simulated lens while the
// preview runs: a slider (mouse wheel and arrow keys work over the whole panel), the lens
// position, and a live thumbnail of the chart so each step shows at once even when the
// stream delivers one frame a second.
#pragma once

#include <QWidget>
#include <memory>

class QLabel;
class QSlider;
class CSimScene;

inline constexpr const char* kSimLensPanelTitle = "Simulated lens";

class CSimLensPanel : public QWidget {
public:
    explicit CSimLensPanel(std::shared_ptr<CSimScene> scene);

    // Reads the lens position back from the scene (someone else may have moved it).
    void Refresh();

protected:
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void MoveLensTo(int position);

    std::shared_ptr<CSimScene> m_pScene;
    QSlider* m_pSlider;
    QLabel* m_pPosition;
    QLabel* m_pThumbnail;
};
