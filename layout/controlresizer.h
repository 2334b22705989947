#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <optional>

namespace Brimble {

// Keeps controls anchored to the edges of their container when a window is
// resized. A window registers each control once with the edges it keeps its
// distance to (Add), and calls Resize from its own resize handling; every
// registered control is then moved and sized so that the distances recorded at
// registration hold again. Positions and sizes are in the container's units
// (twips), computed in single precision.
//
// The controls are reached by name at run time: "Left", "Top", "Width",
// "Height", "Container", "Parent" and "Move"; on a container that is a form
// "ScaleWidth"/"ScaleHeight", on any other container "Width"/"Height"; on the
// control's form "ScaleWidth"/"ScaleHeight". Every failure goes to the caller
// as a runtime error.
class ControlResizer final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ControlResizer)

public:
    explicit ControlResizer(QObject *parent = nullptr);
    ~ControlResizer() override;

    // Registers the control. Align names the edges by the letters "L", "R",
    // "T" and "B", in any order and letter case; other characters are ignored.
    Q_INVOKABLE void Add(QObject *Ctrl, const QString &Align);

    // Moves and sizes every registered control, in order of registration, for
    // the current size of its container. Error 9 before the first Add; the
    // controls before a failing one have been moved, the later ones have not.
    Q_INVOKABLE void Resize();

private:
    struct AnchorRecord
    {
        QPointer<QObject> Ctrl;
        float Left = 0;
        float Top = 0;
        float Width = 0;
        float Height = 0;
        float ContainerWidth = 0; // inner size for a form, outer size otherwise
        float ContainerHeight = 0;
        bool AnchorLeft = false;
        bool AnchorRight = false;
        bool AnchorTop = false;
        bool AnchorBottom = false;
    };

    void resizeControl(const AnchorRecord &record) const;

    std::optional<QList<AnchorRecord>> m_Anchors; // absent until the first Add
    // The inner size of the control's form at the most recent Add: the smallest
    // form size that Resize lays out for. m_MinWidth = 0 means no record yet.
    float m_MinWidth = 0;
    float m_MinHeight = 0;
};

} // namespace Brimble
