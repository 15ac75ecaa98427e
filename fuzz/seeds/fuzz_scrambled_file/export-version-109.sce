KW E 109
body