#include "formdata/formdatafilecommand.h"

#include "core/appcontext.h"
#include "core/tabaccess.h"
#include "document/calverdinedocument.h"

QString CurrentDocumentPartType(const QString& tagPath)
{
    TTabView* tab = CurrentTabView();
    TCalverdineDocument* document = tab ? tab->GetDocumentModel() : nullptr;
    TTagFormPart* part = document ? document->FormParts().find(tagPath) : nullptr;
    return part ? part->GetType() : QString();
}
