// A tree follows the changes other operators make to the object it shows,
// and the switch's data on a new session after the link came back. Told of
// either, it reads its data anew (a burst of notices asks once, after the
// commands the window has out); that build keeps the operator's place
// (CTreePlace), and a panel showing one of its records is read again for
// it. The operator's own refresh is none of this: it starts afresh. While
// a Modify is open on one of its records, the tree waits until that dialog
// is done: the record does not change under the operator's hands, and the
// dialog says that it changed.
#pragma once

#include <QObject>
#include <QPointer>

#include <string>
#include <vector>

class CObjDescData;
class CUserObjWnd;
class QDialog;
class QTimer;
class QTreeWidget;

class CTreeFollower : public QObject {
    Q_OBJECT
public:
    // The tree's follower, made with the first change it is told of.
    static CTreeFollower& Of(QTreeWidget& tree, CObjDescData& data, CUserObjWnd& window);
    // The object changed without the operator (another operator's change,
    // a new session); editing: a Modify open on the changed record.
    void Follow(QDialog* editing);
    // The tree was built anew; its panel follows when the build answered a change.
    static void Rebuilt(QTreeWidget& tree);
    // True while the build under way answers a change, not the operator:
    // only then does it keep the operator's place.
    static bool IsFollowing(const QTreeWidget& tree);

private:
    CTreeFollower(QTreeWidget& tree, CObjDescData& data, CUserObjWnd& window);
    static CTreeFollower* Find(const QTreeWidget& tree);
    void ReadAnew();
    // A reading that came back without a build (refused, given up) leaves
    // the next build to the operator.
    void ForgetUnanswered();
    // The key values of a record of the data; empty when there is none.
    std::vector<std::string> KeyOf(unsigned long id) const;

    QTreeWidget& m_tree;
    CObjDescData& m_data;
    QPointer<CUserObjWnd> m_window;
    QTimer* m_timer;
    bool m_following = false;
    std::vector<std::string> m_panelKey;  // the record the panel showed when the tree asked
};
