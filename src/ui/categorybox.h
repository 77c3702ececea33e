// Fills a category box from the one category list: ADOQjsflb is reopened
// and the name of every row is appended in the dataset's order (no sorting,
// duplicates kept); the box itself starts with the empty text.
#pragma once

class QComboBox;

void fillCategoryBox(QComboBox *box);
