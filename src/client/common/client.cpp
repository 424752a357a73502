// Desktop client core.
