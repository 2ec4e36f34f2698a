# A made-up stress lexicon for the paradigm check of eval-stress.
къщата "къ" <0x12100> "щата"
водата "во" <0x12100> "дата"
