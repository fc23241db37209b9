#include "document/calverdinedocument.h"
#include "document/support/snapshotbuilder.h"
#include "formdefine/formdefinegrid.h"
#include "formdefine/formtree.h"

#include <gtest/gtest.h>

namespace {

// The nodes as "depth:text" lines, without the root.
QStringList lines(const TFormTree& tree)
{
    QStringList result;
    const auto& nodes = tree.nodes();
    std::vector<int> depth(nodes.size(), 0);
    for (size_t i = 1; i < nodes.size(); ++i) {
        depth[i] = depth[size_t(nodes[i].parent)] + 1;
        result << QStringLiteral("%1:%2").arg(depth[i]).arg(nodes[i].text);
    }
    return result;
}

}

TEST(FormTree, FramesComeFirstWithTheirOwnFramesBeforeTheirForms)
{
    TSnapshotBuilder b;
    auto& top = b.document(QStringLiteral("http://127.0.0.2/top.html"));
    const int set = top.frameset("", "*,*");
    top.frame("FRAME", "left", "left.html", 1, set);
    top.frame("FRAME", "", "right.html", 2, set);
    auto& left = b.document(QStringLiteral("http://127.0.0.2/left.html"));
    left.frame("IFRAME", "inner", "inner.html", 3);
    left.input(left.form("", "/search"), "text", "q");
    auto& right = b.document(QStringLiteral("http://127.0.0.2/right.html"));
    right.input(right.form("order"), "text", "n");
    right.input(right.form("more"), "text", "m");
    auto& inner = b.document(QStringLiteral("http://127.0.0.2/inner.html"));
    inner.input(inner.form("deep"), "text", "d");
    TCalverdineDocument document(QStringLiteral("http://127.0.0.2/top.html"));
    document.Parse(b.build(nullptr), TScreenIDSettings());

    TFormDefineGrid grid;
    TFormTree tree(grid);
    EXPECT_EQ(tree.nodes().front().text, "画面ID");
    tree.rebuild(&document, 1);
    EXPECT_EQ(tree.nodes().front().text, document.ScreenID());
    EXPECT_EQ(lines(tree), QStringList({ "1:left", "2:inner", "3:deep", "2:/search", "1:right.html", "2:order", "2:more" }));

    tree.clear(QStringLiteral("http://127.0.0.2/next.html"));
    EXPECT_EQ(tree.nodes().size(), 1u);
    EXPECT_EQ(tree.nodes().front().text, "http://127.0.0.2/next.html");
    EXPECT_EQ(tree.selectedForm(), nullptr);
    EXPECT_EQ(grid.rowCount(), 3);
}

TEST(FormTree, APageWithoutFramesShowsItsFormsUnderTheRoot)
{
    TSnapshotBuilder b;
    auto& top = b.document(QStringLiteral("http://127.0.0.2/p.html"));
    top.form("a");
    top.form("b");
    TCalverdineDocument document(QStringLiteral("http://127.0.0.2/p.html"));
    document.Parse(b.build(nullptr), TScreenIDSettings());
    TFormDefineGrid grid;
    TFormTree tree(grid);
    tree.rebuild(&document, 1);
    EXPECT_EQ(lines(tree), QStringList({ "1:a", "1:b" }));
    // Without a tab that shows this model, nothing of it is handed out.
    tree.select(1);
    EXPECT_EQ(tree.selectedForm(), nullptr);
    EXPECT_TRUE(tree.rows().isEmpty());
}
